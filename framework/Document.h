#pragma once
// A document: title ("Unbenannt" while untitled), path, modified flag, and the framework's
// new, open, save, save-as and close handling around Serialize. Files are read whole and
// loaded from memory; they are written through a temporary file that replaces the target
// only when complete. Saving under the document's own name asks for a name first when that
// name now stands for another file than the one opened or saved. Failures are shown in a German box and change nothing. Path names
// are the file system's bytes (UTF-8 where they are valid).

#include "CmdTarget.h"
#include "SafeFileWriter.h"

#include <string>
#include <vector>

class CArchive;
class CSingleDocTemplate;
class CView;

class CDocument : public CCmdTarget {
public:
    CDocument();
    ~CDocument() override;

    virtual void Serialize(CArchive& ar);
    virtual void DeleteContents();
    virtual BOOL OnNewDocument();
    virtual BOOL OnOpenDocument(const std::string& pathName);
    virtual BOOL OnSaveDocument(const std::string& pathName);
    // Asks whether to save a modified document; FALSE when the user cancelled or saving failed.
    virtual BOOL SaveModified();

    BOOL OnCmdMsg(UINT id) override;

    const std::string& GetTitle() const { return m_strTitle; }
    void SetTitle(const std::string& titleUtf8);
    const std::string& GetPathName() const { return m_strPathName; }
    // The absolute form of a path, "." and ".." taken out, its bytes as they are.
    static std::string AbsolutePathOf(const std::string& pathName);
    void SetPathName(const std::string& pathName, BOOL addToMRU = TRUE);
    void ClearPathName();
    void SetDefaultTitle();
    BOOL IsModified() const { return m_bModified; }
    void SetModifiedFlag(BOOL modified = TRUE);

    BOOL DoSave(const std::string& pathName, BOOL replace = TRUE);
    BOOL DoFileSave();

    CView* GetFirstView() const { return m_pView; }
    void SetView(CView* view) { m_pView = view; }
    CSingleDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
    void SetDocTemplate(CSingleDocTemplate* docTemplate) { m_pDocTemplate = docTemplate; }

protected:
    void OnFileSave();
    void OnFileSaveAs();

private:
    void UpdateFrameTitle();
    static BOOL ReadFile(const std::string& pathName, std::vector<unsigned char>& bytes, CSafeFileWriter::CFileId& id);
    // True when the document's name now stands for another file than the one opened or
    // last saved (another user may have put a link there).
    BOOL NameWasReplaced(const std::string& pathName) const;

    std::string m_strTitle;    // UTF-8, or the file name's bytes
    std::string m_strPathName; // the file system's bytes
    BOOL m_bModified = FALSE;
    CSafeFileWriter::CFileId m_fileId; // the file last opened or saved
    CView* m_pView = nullptr;
    CSingleDocTemplate* m_pDocTemplate = nullptr;
};
