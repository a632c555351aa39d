#pragma once
// A view of the document inside the frame: commands reach it first and, when it has no
// handler, its document. It prints through CDC: print (with the print dialog), direct print
// and print preview run OnPreparePrinting, OnBeginPrinting, OnPrint per page, OnEndPrinting.

#include "Wnd.h"

#include <functional>

class QPrinter;
class CDC;
class CDocument;
class CFrameWnd;
class CPrintInfo;

using PrintDialogHook = std::function<BOOL(QPrinter* printer)>;

class CView : public CWnd {
public:
    CView();
    ~CView() override;

    // Builds the view's widget as a child of the frame's window.
    virtual BOOL Create(QWidget* parent);
    virtual void OnInitialUpdate();
    virtual void OnSize(UINT type, int cx, int cy);

    BOOL OnCmdMsg(UINT id) override;
    BOOL OnUpdateCmdUI(CCmdUI* cmdUI) override;

    CDocument* GetDocument() const { return m_pDocument; }
    void SetDocument(CDocument* document) { m_pDocument = document; }
    CFrameWnd* GetParentFrame() const;

    virtual BOOL OnPreparePrinting(CPrintInfo* pInfo);
    virtual void OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo);
    virtual void OnPrepareDC(CDC* pDC, CPrintInfo* pInfo);
    virtual void OnPrint(CDC* pDC, CPrintInfo* pInfo);
    virtual void OnEndPrinting(CDC* pDC, CPrintInfo* pInfo);
    // Shows the print dialog unless printing directly or previewing; FALSE when cancelled.
    BOOL DoPreparePrinting(CPrintInfo* pInfo);
    // Draws the pages onto printer.
    BOOL PrintTo(QPrinter& printer, CPrintInfo& info);

    // TRUE when the pages went to the printer; FALSE when cancelled or the printer failed.
    BOOL OnFilePrint(BOOL direct);
    void OnFilePrintPreview();

    // Answers the print dialog in tests; the hook returns TRUE for "print".
    static PrintDialogHook SetPrintDialogHook(PrintDialogHook hook);

protected:
    virtual QWidget* CreateViewWidget(QWidget* parent);

private:
    CDocument* m_pDocument = nullptr;
};
