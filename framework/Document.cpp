#include "Document.h"

#include "Archive.h"
#include "CodePage.h"
#include "FileDialog.h"
#include "FrameWnd.h"
#include "MessageBox.h"
#include "SingleDocTemplate.h"
#include "StringTable.h"
#include "WinApp.h"

#include "AfxRes.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <new>

namespace {

void ShowError(UINT promptId, const std::string& pathName)
{
    AfxMessageBox(AfxFormatString1(promptId, CCodePage::FromUtf8(pathName)), MB_OK | MB_ICONEXCLAMATION);
}

} // namespace

CDocument::CDocument()
{
    OnCommand(ID_FILE_SAVE, [this] { OnFileSave(); });
    OnCommand(ID_FILE_SAVE_AS, [this] { OnFileSaveAs(); });
}

CDocument::~CDocument() = default;

void CDocument::Serialize(CArchive& /*ar*/)
{
}

void CDocument::DeleteContents()
{
}

BOOL CDocument::OnNewDocument()
{
    DeleteContents();
    m_strPathName.clear();
    SetModifiedFlag(FALSE);
    return TRUE;
}

BOOL CDocument::ReadFile(const std::string& pathName, std::vector<unsigned char>& bytes)
{
    QFile file(QString::fromUtf8(pathName.c_str()));
    if (!file.open(QIODevice::ReadOnly)) {
        return FALSE;
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return FALSE;
    }
    bytes.assign(content.begin(), content.end());
    return TRUE;
}

BOOL CDocument::OnOpenDocument(const std::string& pathName)
{
    std::vector<unsigned char> bytes;
    if (!ReadFile(pathName, bytes)) {
        ShowError(AFX_IDP_FAILED_TO_OPEN_DOC, pathName);
        return FALSE;
    }
    try {
        CArchive archive(CArchive::load, std::move(bytes));
        DeleteContents();
        Serialize(archive);
    } catch (const CArchiveException&) {
        ShowError(AFX_IDP_FAILED_INVALID_FORMAT, pathName);
        return FALSE;
    } catch (const std::bad_alloc&) {
        ShowError(AFX_IDP_FAILED_MEMORY_READING, pathName);
        return FALSE;
    }
    SetModifiedFlag(FALSE);
    return TRUE;
}

BOOL CDocument::OnSaveDocument(const std::string& pathName)
{
    CArchive archive(CArchive::store);
    Serialize(archive);
    const std::vector<unsigned char>& bytes = archive.GetBuffer();
    QSaveFile file(QString::fromUtf8(pathName.c_str()));
    const bool written = file.open(QIODevice::WriteOnly) &&
                         file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) ==
                             static_cast<qint64>(bytes.size()) &&
                         file.commit();
    if (!written) {
        file.cancelWriting();
        ShowError(AFX_IDP_FAILED_TO_SAVE_DOC, pathName);
        return FALSE;
    }
    SetModifiedFlag(FALSE);
    return TRUE;
}

BOOL CDocument::SaveModified()
{
    if (!IsModified()) {
        return TRUE;
    }
    const std::string prompt = AfxFormatString1(AFX_IDP_ASK_TO_SAVE, CCodePage::FromUtf8(m_strTitle));
    switch (AfxMessageBox(prompt, MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
    case IDYES: return DoFileSave();
    case IDNO: return TRUE;
    default: return FALSE;
    }
}

BOOL CDocument::OnCmdMsg(UINT id)
{
    if (CCmdTarget::OnCmdMsg(id)) {
        return TRUE;
    }
    return m_pDocTemplate != nullptr && m_pDocTemplate->OnCmdMsg(id);
}

void CDocument::SetTitle(const std::string& titleUtf8)
{
    m_strTitle = titleUtf8;
    UpdateFrameTitle();
}

void CDocument::SetPathName(const std::string& pathName, BOOL addToMRU)
{
    const QFileInfo info(QString::fromUtf8(pathName.c_str()));
    m_strPathName = info.absoluteFilePath().toUtf8().toStdString();
    SetTitle(info.fileName().toUtf8().toStdString());
    if (addToMRU) {
        AfxGetApp()->AddToRecentFileList(m_strPathName);
    }
}

void CDocument::ClearPathName()
{
    m_strPathName.clear();
    SetDefaultTitle();
}

void CDocument::SetDefaultTitle()
{
    SetTitle(CStringTable::Find(AFX_IDS_UNTITLED));
}

void CDocument::SetModifiedFlag(BOOL modified)
{
    m_bModified = modified;
}

BOOL CDocument::DoSave(const std::string& pathName, BOOL replace)
{
    std::string newName = pathName;
    if (newName.empty()) {
        newName = AfxPromptFileName(FALSE, m_strPathName.empty() ? m_strTitle : m_strPathName);
        if (newName.empty()) {
            return FALSE;
        }
    }
    if (!OnSaveDocument(newName)) {
        return FALSE;
    }
    if (replace) {
        SetPathName(newName);
    }
    return TRUE;
}

BOOL CDocument::DoFileSave()
{
    return DoSave(m_strPathName);
}

void CDocument::OnFileSave()
{
    DoFileSave();
}

void CDocument::OnFileSaveAs()
{
    DoSave({});
}

void CDocument::UpdateFrameTitle()
{
    if (m_pDocTemplate != nullptr && m_pDocTemplate->GetFrame() != nullptr) {
        m_pDocTemplate->GetFrame()->OnUpdateFrameTitle();
    }
}
