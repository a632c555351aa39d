#pragma once
// The result view: the form with one list box showing the listing line by line. It fills
// the list from the document at each initial update, copies the list into the document
// after a trace, clears both on File/New, and prints the lines on one page.

#include "FormView.h"
#include "ListBox.h"

#include <string>
#include <vector>

class CQuorailDoc;

class CQuorailView : public CFormView {
public:
    CQuorailView();
    ~CQuorailView() override;

    CQuorailDoc* GetDocument() const;

    void DoDataExchange(CDataExchange* pDX) override;
    void OnInitialUpdate() override;
    void OnSize(UINT type, int cx, int cy) override;
    BOOL OnPreparePrinting(CPrintInfo* pInfo) override;
    void OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo) override;
    void OnPrint(CDC* pDC, CPrintInfo* pInfo) override;
    void OnEndPrinting(CDC* pDC, CPrintInfo* pInfo) override;

    void FillFromDocument();
    void CopyToDocument();

    void OnConnect();
    // Asks for a host and opens a watch window for it; the listing stays as it is.
    void OnWatch();
    void OnFileNew();
    void OnHelpManual();

    CListBox m_ListBox;
    BOOL m_bHasResults = FALSE;
    std::string m_strHost; // Windows-1252

    // The product's home host, named in the advertisement line.
    static const char* const s_szHomeHost;
    // Where OnPrint puts line i: x, and y = top + step * i, in device pixels.
    static constexpr int s_nPrintLeft = 20;
    static constexpr int s_nPrintTop = 20;
    static constexpr int s_nPrintLineStep = 55;

    // The trace that the connect command runs: highest TTL, wait per probe (ms), probes per hop.
    static constexpr BYTE s_nTraceMaxHops = 30;
    static constexpr DWORD s_nTraceTimeoutMs = 30000;
    static constexpr DWORD s_nTraceProbes = 3;

private:
    // Runs the trace for m_strHost, showing each hop's line as it comes, and writes its
    // outcome into the list.
    void TraceHost();
    void AddHeading();
    void ShowHopLine(const std::string& line);
    // The closing block after the hop lines: closing is "OK", or "Abgebrochen" for a
    // trace the user stopped; reason, when not empty, tells under the hop lines why the
    // route ended there. The document gets the listing.
    void AddListing(const std::vector<std::string>& hopLines, const char* closing, const std::string& reason = {});
    // A failed trace's code and, where known, its reason in words; the document gets them.
    void AddFailure(DWORD error);
    void TruncateList(int count);
    void ScrollToEnd();

    BOOL m_bHeadingShown = FALSE; // the lines above the hop lines are in the list
};
