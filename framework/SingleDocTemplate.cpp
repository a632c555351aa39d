#include "SingleDocTemplate.h"

#include "Document.h"
#include "FrameWnd.h"
#include "View.h"
#include "WinApp.h"

#include "StringTable.h"

CSingleDocTemplate::CSingleDocTemplate(UINT resourceId, DocumentFactory document, FrameFactory frame,
                                       ViewFactory view)
    : m_nResourceId(resourceId), m_documentFactory(std::move(document)), m_frameFactory(std::move(frame)),
      m_viewFactory(std::move(view))
{
}

CSingleDocTemplate::~CSingleDocTemplate()
{
    CloseAll();
}

void CSingleDocTemplate::CloseAll()
{
    DestroyFrame();
    m_pDocument.reset();
}

void CSingleDocTemplate::DestroyFrame()
{
    if (m_pFrame != nullptr && AfxGetApp()->GetMainFrame() == m_pFrame.get()) {
        AfxGetApp()->SetMainFrame(nullptr);
    }
    m_pFrame.reset();
    m_pView.reset();
}

std::string CSingleDocTemplate::GetDocString(int index) const
{
    const char* text = CStringTable::Find(m_nResourceId);
    std::string fields = text != nullptr ? text : "";
    for (int i = 0; i < index; ++i) {
        const auto newline = fields.find('\n');
        if (newline == std::string::npos) {
            return {};
        }
        fields.erase(0, newline + 1);
    }
    return fields.substr(0, fields.find('\n'));
}

CView* CSingleDocTemplate::CreateView(QWidget* parent)
{
    std::unique_ptr<CView> view(m_viewFactory());
    view->SetDocument(m_pDocument.get());
    if (!view->Create(parent)) {
        return nullptr;
    }
    m_pDocument->SetView(view.get());
    m_pView = std::move(view);
    return m_pView.get();
}

BOOL CSingleDocTemplate::CreateFrame()
{
    m_pFrame.reset(m_frameFactory());
    if (!m_pFrame->LoadFrame(m_nResourceId, this)) {
        DestroyFrame();
        return FALSE;
    }
    if (AfxGetApp()->GetMainFrame() == nullptr) {
        AfxGetApp()->SetMainFrame(m_pFrame.get());
    }
    return TRUE;
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const std::string& pathName)
{
    if (m_pDocument != nullptr && !m_pDocument->SaveModified()) {
        return nullptr;
    }
    const bool documentCreated = m_pDocument == nullptr;
    if (documentCreated) {
        m_pDocument.reset(m_documentFactory());
        m_pDocument->SetDocTemplate(this);
    }
    const bool frameCreated = m_pFrame == nullptr;
    if (frameCreated && !CreateFrame()) {
        m_pDocument.reset();
        return nullptr;
    }
    BOOL opened = FALSE;
    if (pathName.empty()) {
        m_pDocument->SetDefaultTitle();
        opened = m_pDocument->OnNewDocument();
    } else {
        opened = m_pDocument->OnOpenDocument(pathName);
    }
    if (!opened) {
        if (frameCreated) {
            DestroyFrame();
        }
        if (documentCreated) {
            m_pDocument.reset();
        }
        return nullptr;
    }
    if (!pathName.empty()) {
        m_pDocument->SetPathName(pathName);
    }
    m_pView->OnInitialUpdate();
    m_pFrame->OnUpdateFrameTitle();
    return m_pDocument.get();
}
