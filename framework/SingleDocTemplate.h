#pragma once
// The single-document template: one document, one frame, one view, made by the factories
// it is given. Opening a file or a new document reuses them; it asks to save a modified
// document first and runs the view's initial update after success.

#include "CmdTarget.h"

#include <functional>
#include <memory>
#include <string>

class QWidget;
class CDocument;
class CFrameWnd;
class CView;

class CSingleDocTemplate : public CCmdTarget {
public:
    using DocumentFactory = std::function<CDocument*()>;
    using FrameFactory = std::function<CFrameWnd*()>;
    using ViewFactory = std::function<CView*()>;

    CSingleDocTemplate(UINT resourceId, DocumentFactory document, FrameFactory frame, ViewFactory view);
    ~CSingleDocTemplate() override;

    // An empty path makes a new document. Null when it failed or the user cancelled.
    CDocument* OpenDocumentFile(const std::string& pathName);
    // Called by the frame while it is created.
    CView* CreateView(QWidget* parent);

    CDocument* GetDocument() const { return m_pDocument.get(); }
    CFrameWnd* GetFrame() const { return m_pFrame.get(); }
    CView* GetView() const { return m_pView.get(); }
    UINT GetResourceId() const { return m_nResourceId; }
    // Field index of the document-type string (0 window title, 2 new-file name, ...), UTF-8.
    std::string GetDocString(int index) const;
    // Destroys frame, view and document (before the QApplication goes).
    void CloseAll();

private:
    BOOL CreateFrame();
    void DestroyFrame();

    UINT m_nResourceId;
    DocumentFactory m_documentFactory;
    FrameFactory m_frameFactory;
    ViewFactory m_viewFactory;
    std::unique_ptr<CDocument> m_pDocument;
    std::unique_ptr<CFrameWnd> m_pFrame;
    std::unique_ptr<CView> m_pView;
};
