#include "QuorailView.h"

#include "AddressDialog.h"
#include "ErrorText.h"
#include "HelpCommand.h"
#include "HopStatusTracer.h"
#include "LastError.h"
#include "ProductAddresses.h"
#include "TraceBusyScope.h"
#include "WaitCursor.h"
#include "WatchWindow.h"
#include "WinApp.h"
#include "DC.h"
#include "DataExchange.h"
#include "FrameWnd.h"
#include "ListBoxModel.h"
#include "QuorailDoc.h"
#include "WinDefs.h"

#include "Resource.h"

#include <QMainWindow>

#include <algorithm>
#include <cstdio>

namespace {

// Lines with fewer entries are not a listing worth showing.
constexpr std::ptrdiff_t kMinListingLines = 4;

} // namespace

const char* const CQuorailView::s_szHomeHost = "www.velmora.example";

CQuorailView::CQuorailView() : CFormView(IDD_RESULT_FORM)
{
    OnCommand(ID_CONNECT, [this] { OnConnect(); });
    OnCommand(ID_WATCH, [this] { OnWatch(); });
    OnCommand(ID_FILE_NEW, [this] { OnFileNew(); });
    OnCommand(ID_HELP_MANUAL, [this] { OnHelpManual(); });
    OnCommand(ID_FILE_PRINT, [this] { OnFilePrint(FALSE); });
    OnCommand(ID_FILE_PRINT_DIRECT, [this] { OnFilePrint(TRUE); });
    OnCommand(ID_FILE_PRINT_PREVIEW, [this] { OnFilePrintPreview(); });
}

CQuorailView::~CQuorailView() = default;

CQuorailDoc* CQuorailView::GetDocument() const
{
    return static_cast<CQuorailDoc*>(CFormView::GetDocument());
}

void CQuorailView::DoDataExchange(CDataExchange* pDX)
{
    CFormView::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_RESULT_LIST, m_ListBox);
}

void CQuorailView::OnInitialUpdate()
{
    CFormView::OnInitialUpdate();
    if (CFrameWnd* frame = GetParentFrame()) {
        frame->RecalcLayout();
    }
    ResizeParentToFit();
    m_bHasResults = FALSE;
    FillFromDocument();
    m_strHost = s_szHomeHost;
    m_ListBox.AddString("Kostenlose Tools auf http://" + m_strHost);
}

void CQuorailView::FillFromDocument()
{
    const CStringArray& listing = GetDocument()->m_Listing;
    const std::ptrdiff_t count = listing.GetSize();
    if (count < kMinListingLines) {
        return;
    }
    if (CListBoxModel* model = m_ListBox.GetModel()) {
        model->Append(listing.GetStore());
    }
    m_bHasResults = TRUE;
}

void CQuorailView::CopyToDocument()
{
    if (!m_bHasResults) {
        return;
    }
    CStringArray lines;
    const int count = m_ListBox.GetCount();
    for (int i = 0; i < count; ++i) {
        std::string line;
        m_ListBox.GetText(i, line);
        lines.Add(line);
    }
    GetDocument()->m_Listing.Copy(lines);
    GetDocument()->SetModifiedFlag(TRUE);
}

void CQuorailView::OnFileNew()
{
    // A modified listing is offered for saving first; Cancel leaves everything as it was.
    if (!GetDocument()->SaveModified()) {
        return;
    }
    GetDocument()->m_Listing.SetSize(0);
    m_ListBox.ResetContent();
    GetDocument()->SetModifiedFlag(TRUE);
    // The cleared listing is a new document: a later Save asks for a name instead of
    // overwriting the file last opened or saved.
    GetDocument()->ClearPathName();
}

void CQuorailView::OnSize(UINT type, int cx, int cy)
{
    CFormView::OnSize(type, cx, cy);
    if (m_ListBox.GetSafeHwnd() != nullptr) {
        m_ListBox.MoveWindow(0, 0, cx, cy, TRUE);
    }
}

BOOL CQuorailView::OnPreparePrinting(CPrintInfo* pInfo)
{
    return DoPreparePrinting(pInfo);
}

void CQuorailView::OnBeginPrinting(CDC* /*pDC*/, CPrintInfo* /*pInfo*/)
{
}

void CQuorailView::OnPrint(CDC* pDC, CPrintInfo* /*pInfo*/)
{
    if (!m_bHasResults) {
        return;
    }
    const int count = m_ListBox.GetCount();
    if (count == LB_ERR) {
        return;
    }
    // The list's tab stops, measured in the printer's font: the page shows its columns.
    const int tabStop = CListBox::s_nTabStopUnits * pDC->GetBaseUnitX() / 4;
    for (int i = 0; i < count; ++i) {
        std::string line;
        m_ListBox.GetText(i, line);
        pDC->TabbedTextOut(s_nPrintLeft, s_nPrintTop + s_nPrintLineStep * i, line, tabStop);
    }
}

void CQuorailView::OnEndPrinting(CDC* /*pDC*/, CPrintInfo* /*pInfo*/)
{
}

void CQuorailView::OnConnect()
{
    // While a trace runs, the same menu item and toolbar button stop it.
    if (CTraceBusyScope::IsActive()) {
        CTraceBusyScope::StopActive();
        return;
    }
    m_ListBox.ResetContent();
    m_ListBox.AddString("Ok. Bitte etwas warten (ca. 30 sek. je nach Server) ...");
    UpdateData(FALSE);
    CAddressDialog addressDlg;
    if (addressDlg.DoModal() != IDOK) {
        // A listing stays what the window shows, so that a save writes what the user sees.
        if (GetDocument()->m_Listing.GetSize() >= kMinListingLines) {
            m_ListBox.ResetContent();
            FillFromDocument();
            return;
        }
        m_ListBox.AddString("Ok. Auf Verbinden klicken.");
        return;
    }
    m_strHost = addressDlg.m_strAddress;
    m_ListBox.AddString("Verbinde mit:\t" + m_strHost);
    m_ListBox.AddString(" ");
    TraceHost();
}

void CQuorailView::OnWatch()
{
    CAddressDialog addressDlg;
    if (addressDlg.DoModal() != IDOK) {
        return;
    }
    CFrameWnd* frame = GetParentFrame();
    CWatchWindow::Open(addressDlg.m_strAddress, frame != nullptr ? frame->GetWindow() : nullptr);
}

void CQuorailView::TraceHost()
{
    CWaitCursor waitCursor;
    g_bResolveNames = TRUE;
    CHopResultArray hops;
    // The lines before the outcome stay; a failure takes back the hop lines shown so far.
    const int outcomeStart = m_ListBox.GetCount();
    CHopStatusTracer tracer(GetParentFrame(), s_nTraceMaxHops, [this](const std::string& line) { ShowHopLine(line); });
    tracer.SetSchedule(CRouteTracer::ScheduleFromText(AfxGetApp()->GetProfileString("Settings", "Probing")));
    m_bHeadingShown = FALSE;
    BOOL traced = FALSE;
    DWORD error = 0;
    try {
        CTraceBusyScope busy(GetParentFrame(), {ID_CONNECT, ID_APP_EXIT});
        traced = tracer.Trace(m_strHost, hops, s_nTraceMaxHops, s_nTraceTimeoutMs, s_nTraceProbes);
        error = win::GetLastError();
    } catch (...) {
        TruncateList(outcomeStart);
        throw;
    }
    if (traced) {
        std::string reason;
        if (tracer.GetUnreachableStatus() != 0 && hops.GetSize() > 0)
            reason = CErrorText::UnreachableReason(tracer.GetUnreachableStatus(), hops[hops.GetSize() - 1].Address);
        AddListing(tracer.m_Lines, "OK", reason);
        return;
    }
    // A stop, at whatever moment, keeps the hop lines shown so far.
    if (error == ERROR_CANCELLED) {
        AddListing(tracer.m_Lines, "Abgebrochen");
        return;
    }
    TruncateList(outcomeStart);
    AddFailure(error);
}

void CQuorailView::AddFailure(DWORD error)
{
    char line[64];
    std::snprintf(line, sizeof line, "Fehler bei Quorail Nr.: %d", static_cast<int>(error));
    m_ListBox.AddString(line);
    const std::string reason = CErrorText::ReasonFor(error);
    if (!reason.empty())
        m_ListBox.AddString(reason);
    m_bHasResults = TRUE;
    CopyToDocument();
}

void CQuorailView::AddHeading()
{
    m_ListBox.AddString("OK zeige nun die Quorail an von:\t" + m_strHost);
    m_ListBox.AddString(" ");
    m_ListBox.AddString(" ");
    m_ListBox.AddString("Nr.\tmin./ms\tmittel/ms\tmax./ms\t[IP]\t\tAdresse");
    m_ListBox.AddString(" ");
    m_bHeadingShown = TRUE;
}

void CQuorailView::ShowHopLine(const std::string& line)
{
    if (!m_bHeadingShown) {
        AddHeading();
    }
    m_ListBox.AddString(line);
    ScrollToEnd();
}

void CQuorailView::ScrollToEnd()
{
    m_ListBox.SetTopIndex(m_ListBox.GetCount() - 1);
}

void CQuorailView::TruncateList(int count)
{
    while (m_ListBox.GetCount() > count) {
        m_ListBox.DeleteString(m_ListBox.GetCount() - 1);
    }
}

void CQuorailView::AddListing(const std::vector<std::string>& hopLines, const char* closing,
                              const std::string& reason)
{
    if (!m_bHeadingShown) {
        AddHeading();
    }
    m_bHasResults = TRUE;
    if (hopLines.empty() && std::string(closing) == "OK") {
        m_ListBox.AddString("Fehler LB_ERR");
        CopyToDocument();
        return;
    }
    if (!reason.empty()) {
        m_ListBox.AddString(reason);
    }
    m_ListBox.AddString(" ");
    m_ListBox.AddString(closing);
    m_ListBox.AddString(" ");
    m_ListBox.AddString(std::string("ENDE von Quorail 1.0 von ") + g_szHomePageUrl);
    ScrollToEnd();
    CopyToDocument();
}

void CQuorailView::OnHelpManual()
{
    CHelpCommand::Run();
}
