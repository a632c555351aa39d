#include "View.h"

#include "CodePage.h"
#include "DC.h"
#include "Document.h"
#include "FrameWnd.h"
#include "MessageBox.h"
#include "PrintInfo.h"
#include "ViewWidget.h"
#include "WinApp.h"

#include "AfxRes.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace {

PrintDialogHook& Hook()
{
    static PrintDialogHook hook;
    return hook;
}

} // namespace

CView::CView() = default;

CView::~CView()
{
    if (m_pDocument != nullptr && m_pDocument->GetFirstView() == this) {
        m_pDocument->SetView(nullptr);
    }
}

BOOL CView::Create(QWidget* parent)
{
    QWidget* widget = CreateViewWidget(parent);
    return widget != nullptr && SubclassWindow(widget);
}

QWidget* CView::CreateViewWidget(QWidget* parent)
{
    return new CViewWidget(this, parent);
}

void CView::OnInitialUpdate()
{
}

void CView::OnSize(UINT /*type*/, int /*cx*/, int /*cy*/)
{
}

BOOL CView::OnCmdMsg(UINT id)
{
    if (CCmdTarget::OnCmdMsg(id)) {
        return TRUE;
    }
    return m_pDocument != nullptr && m_pDocument->OnCmdMsg(id);
}

BOOL CView::OnUpdateCmdUI(CCmdUI* cmdUI)
{
    if (CCmdTarget::OnUpdateCmdUI(cmdUI)) {
        return TRUE;
    }
    return m_pDocument != nullptr && m_pDocument->OnUpdateCmdUI(cmdUI);
}

CFrameWnd* CView::GetParentFrame() const
{
    return AfxGetApp()->GetMainFrame();
}

BOOL CView::OnPreparePrinting(CPrintInfo* pInfo)
{
    return DoPreparePrinting(pInfo);
}

void CView::OnBeginPrinting(CDC* /*pDC*/, CPrintInfo* /*pInfo*/)
{
}

void CView::OnPrepareDC(CDC* /*pDC*/, CPrintInfo* pInfo)
{
    // Without a known page count only the first page is printed.
    if (pInfo != nullptr && pInfo->m_nMaxPage == 0 && pInfo->m_nCurPage > 1) {
        pInfo->m_bContinuePrinting = FALSE;
    }
}

void CView::OnPrint(CDC* /*pDC*/, CPrintInfo* /*pInfo*/)
{
}

void CView::OnEndPrinting(CDC* /*pDC*/, CPrintInfo* /*pInfo*/)
{
}

BOOL CView::DoPreparePrinting(CPrintInfo* pInfo)
{
    if (pInfo->m_pPrinter == nullptr) {
        pInfo->m_pPrinter = AfxGetApp()->GetPrinter();
    }
    if (pInfo->m_bDirect || pInfo->m_bPreview) {
        return TRUE;
    }
    if (Hook()) {
        return Hook()(pInfo->m_pPrinter);
    }
    QPrintDialog dialog(pInfo->m_pPrinter, AfxGetApp()->GetMainWnd());
    return dialog.exec() == QDialog::Accepted;
}

BOOL CView::PrintTo(QPrinter& printer, CPrintInfo& info)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        return FALSE;
    }
    painter.setFont(CDC::PrintFont());
    CDC dc(&painter);
    dc.SetPrinting(true);
    OnBeginPrinting(&dc, &info);
    for (UINT page = 1; info.m_bContinuePrinting; ++page) {
        info.m_nCurPage = page;
        OnPrepareDC(&dc, &info);
        if (!info.m_bContinuePrinting || (info.m_nMaxPage != 0 && page > info.m_nMaxPage)) {
            break;
        }
        if (page > 1) {
            printer.newPage();
        }
        OnPrint(&dc, &info);
    }
    OnEndPrinting(&dc, &info);
    return painter.end();
}

BOOL CView::OnFilePrint(BOOL direct)
{
    CPrintInfo info;
    info.m_bDirect = direct;
    if (!OnPreparePrinting(&info)) {
        return FALSE;
    }
    if (!PrintTo(*info.m_pPrinter, info)) {
        const QString printer = info.m_pPrinter->printerName();
        const std::string reason = printer.isEmpty()
                                       ? AfxLoadString(AFX_IDP_NO_PRINTER)
                                       : AfxFormatString1(AFX_IDP_PRINTER_NOT_READY, CCodePage::FromQString(printer));
        AfxMessageBox(AfxFormatString1(AFX_IDP_FAILED_TO_PRINT, reason), MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    return TRUE;
}

void CView::OnFilePrintPreview()
{
    CPrintInfo prepare;
    prepare.m_bPreview = TRUE;
    if (!OnPreparePrinting(&prepare)) {
        return;
    }
    QPrintPreviewDialog dialog(prepare.m_pPrinter, AfxGetApp()->GetMainWnd());
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [this](QPrinter* printer) {
        CPrintInfo info;
        info.m_bPreview = TRUE;
        info.m_pPrinter = printer;
        PrintTo(*printer, info);
    });
    dialog.exec();
}

PrintDialogHook CView::SetPrintDialogHook(PrintDialogHook hook)
{
    PrintDialogHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}
