#include "Document.h"

#include "Archive.h"
#include "FileDialog.h"
#include "FrameWnd.h"
#include "MessageBox.h"
#include "SafeFileWriter.h"
#include "SingleDocTemplate.h"
#include "StringTable.h"
#include "WinApp.h"

#include "AfxRes.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A framework prompt with a file name for its %1; the name shows as the caption shows it,
// whatever characters it holds.
void ShowError(UINT promptId, const std::string& pathName)
{
    AfxMessageBox(AfxFormatName1(promptId, pathName), MB_OK | MB_ICONEXCLAMATION);
}

// Closes a file descriptor when it goes out of scope.
class CFileDescriptor {
public:
    explicit CFileDescriptor(int fd) : m_fd(fd) {}
    ~CFileDescriptor()
    {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

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
    m_fileId = {};
    SetModifiedFlag(FALSE);
    return TRUE;
}

// Only a regular file is read, and opening it never waits: a FIFO or a device such as
// /dev/zero is refused before a byte is read. Throws std::bad_alloc when the file does
// not fit into memory.
BOOL CDocument::ReadFile(const std::string& pathName, std::vector<unsigned char>& bytes, CSafeFileWriter::CFileId& id)
{
    const CFileDescriptor file(open(pathName.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat status {};
    if (file.Get() < 0 || fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return FALSE;
    }
    std::vector<unsigned char> content;
    content.reserve(static_cast<std::size_t>(status.st_size));
    unsigned char chunk[65536];
    for (;;) {
        const ssize_t got = read(file.Get(), chunk, sizeof chunk);
        if (got == 0) {
            break;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return FALSE;
        }
        content.insert(content.end(), chunk, chunk + got);
    }
    bytes.swap(content);
    id = CSafeFileWriter::IdOfDescriptor(file.Get());
    return TRUE;
}

std::string CDocument::AbsolutePathOf(const std::string& pathName)
{
    std::string joined = pathName;
    if (joined.empty() || joined.front() != '/') {
        char* directory = getcwd(nullptr, 0);
        joined = std::string(directory != nullptr ? directory : "") + "/" + joined;
        std::free(directory);
    }
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= joined.size()) {
        const std::size_t slash = std::min(joined.find('/', start), joined.size());
        const std::string part = joined.substr(start, slash - start);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    std::string absolute;
    for (const std::string& part : parts) {
        absolute += "/" + part;
    }
    return absolute.empty() ? "/" : absolute;
}

BOOL CDocument::OnOpenDocument(const std::string& pathName)
{
    try {
        std::vector<unsigned char> bytes;
        CSafeFileWriter::CFileId id;
        if (!ReadFile(pathName, bytes, id)) {
            ShowError(AFX_IDP_FAILED_TO_OPEN_DOC, pathName);
            return FALSE;
        }
        CArchive archive(CArchive::load, std::move(bytes));
        DeleteContents();
        Serialize(archive);
        m_fileId = id;
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

// Every write, flush and sync is checked before the new file replaces the old one; on any
// failure the old file stays as it was and the document stays modified.
BOOL CDocument::OnSaveDocument(const std::string& pathName)
{
    int error = 0;
    CSafeFileWriter::CFileId written;
    try {
        CArchive archive(CArchive::store);
        Serialize(archive);
        const std::vector<unsigned char>& bytes = archive.GetBuffer();
        error = CSafeFileWriter::Write(pathName, bytes.data(), bytes.size(), &written);
    } catch (const std::bad_alloc&) {
        AfxMessageBox(AFX_IDP_FAILED_MEMORY_ALLOC, MB_ICONEXCLAMATION);
        return FALSE;
    }
    if (error != 0) {
        ShowError(AFX_IDP_FAILED_TO_SAVE_DOC, pathName);
        return FALSE;
    }
    m_fileId = written;
    SetModifiedFlag(FALSE);
    return TRUE;
}

BOOL CDocument::SaveModified()
{
    if (!IsModified()) {
        return TRUE;
    }
    switch (AfxMessageBox(AfxFormatName1(AFX_IDP_ASK_TO_SAVE, m_strTitle), MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
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
    m_strPathName = AbsolutePathOf(pathName);
    SetTitle(m_strPathName.substr(m_strPathName.rfind('/') + 1));
    if (addToMRU) {
        AfxGetApp()->AddToRecentFileList(m_strPathName);
    }
}

void CDocument::ClearPathName()
{
    m_strPathName.clear();
    m_fileId = {};
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
    if (NameWasReplaced(newName)) {
        newName.clear();
    }
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

BOOL CDocument::NameWasReplaced(const std::string& pathName) const
{
    if (pathName.empty() || pathName != m_strPathName || !m_fileId.m_bKnown) {
        return FALSE;
    }
    const CSafeFileWriter::CFileId now = CSafeFileWriter::IdOf(pathName);
    return now.m_bKnown && now != m_fileId;
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
