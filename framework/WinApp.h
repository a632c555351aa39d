#pragma once
// The application object: one per process (AfxGetApp). It owns the document template and
// the main frame, keeps the profile store (QSettings of the registry key and application
// name), the recent-file list and the wait cursor, and sees every input event before it
// is dispatched (PreTranslateMessage, through an event filter on the QApplication).

#include "CmdTarget.h"

#include <memory>
#include <string>
#include <vector>

class QEvent;
class QKeyEvent;
class QObject;
class QPrinter;
class QTranslator;
class QSettings;
class QTemporaryDir;
class QString;
class QWidget;
class CAppEventFilter;
class CCommandLineInfo;
class CDocument;
class CFrameWnd;
class CRecentFileList;
class CSingleDocTemplate;

class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(const char* appName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    // Sees each input event before dispatch; TRUE swallows it.
    virtual BOOL PreTranslateMessage(QObject* target, QEvent* event);
    // The routing entry: active view, its document, the frame, then the application.
    BOOL OnCmdMsg(UINT id) override;
    BOOL OnUpdateCmdUI(CCmdUI* cmdUI) override;
    // The application's own command table only.
    BOOL OnAppCmdMsg(UINT id);
    BOOL OnAppUpdateCmdUI(CCmdUI* cmdUI);

    std::string GetProfileString(const std::string& section, const std::string& entry,
                                 const std::string& defaultValue = "");
    BOOL WriteProfileString(const std::string& section, const std::string& entry,
                            const std::string& value);
    // Path values: UTF-8 as the file system has them; writing an empty path removes the value.
    std::string GetProfilePath(const std::string& section, const std::string& entry);
    void WriteProfilePath(const std::string& section, const std::string& entry, const std::string& pathUtf8);
    void SetRegistryKey(const std::string& key);
    // Qt's own dialogs (file, print, preview) speak German as the program does, whatever
    // the locale, where Qt's translations are installed (qt6-translations-l10n).
    void LoadQtTranslations();
    // Where the profile store keeps its values: a file, on this platform.
    std::string GetProfileFileName();
    void SaveStdProfileSettings();
    void LoadStdProfileSettings(UINT maxMruCount = 4);

    // The printer of print setup, kept for the next print; it draws at s_nPrintDpi.
    QPrinter* GetPrinter();
    static constexpr int s_nPrintDpi = 300;

    void BeginWaitCursor();
    void EndWaitCursor();

    QWidget* GetMainWnd();
    CFrameWnd* GetMainFrame() const { return m_pMainWnd; }
    void SetMainFrame(CFrameWnd* frame) { m_pMainWnd = frame; }

    void AddDocTemplate(CSingleDocTemplate* docTemplate);
    CSingleDocTemplate* GetDocTemplate() const { return m_pDocTemplate.get(); }

    void ParseCommandLine(CCommandLineInfo& info);
    BOOL ProcessShellCommand(CCommandLineInfo& info);
    CDocument* OpenDocumentFile(const std::string& path);
    void AddToRecentFileList(const std::string& path);
    CRecentFileList* GetRecentFileList() const { return m_pRecentFileList.get(); }

    // The arguments the program was started with (argv[1] on).
    void SetArguments(std::vector<std::string> arguments) { m_arguments = std::move(arguments); }
    const std::vector<std::string>& GetArguments() const { return m_arguments; }

    // Starts the application: runs InitInstance and, when it succeeds, the event loop.
    int Run();

    // Attaches the input filter to the running QApplication (done by Run and by the
    // constructor when a QApplication exists already).
    void InstallEventFilter();

    // The process's exit code when InitInstance ends the program (1: start-up failed).
    int m_nExitCode = 0;

    std::string m_pszAppName;     // the title string of the program's resources
    std::string m_pszRegistryKey; // empty until SetRegistryKey names it

protected:
    void OnFileNew();
    void OnFileOpen();
    void OnFilePrintSetup();
    void OnAppExit();
    void OnOpenRecentFile(UINT id);

private:
    friend class CAppEventFilter;
    BOOL FilterEvent(QObject* target, QEvent* event);
    BOOL FilterShortcutOverride(QObject* target, QKeyEvent* override);
    // Prints the document through its view at once (the /p and /pt switches); TRUE when printed.
    BOOL PrintDirect();
    // The profile store of the registry key and application name. Where one of its files
    // is there but is no regular file (a FIFO would hold the program before its window
    // shows), a store of defaults that lasts for this run alone stands in.
    QSettings& Profile();
    BOOL ProfileFilesAreRegular() const;
    // The first part of the profile's name: the registry key, or the application's name.
    QString ProfileOwner() const;

    CFrameWnd* m_pMainWnd = nullptr;
    std::unique_ptr<CSingleDocTemplate> m_pDocTemplate;
    std::unique_ptr<CRecentFileList> m_pRecentFileList;
    std::unique_ptr<CAppEventFilter> m_pEventFilter;
    std::unique_ptr<QPrinter> m_pPrinter;
    std::unique_ptr<QTranslator> m_pQtTexts; // installed while the application lives
    std::unique_ptr<QTemporaryDir> m_pProfileStandIn; // holds the stand-in store's file
    std::unique_ptr<QSettings> m_pProfile;
    std::vector<std::string> m_arguments;
    int m_nWaitCursorCount = 0;
    int m_nSwallowedKey = 0; // the Qt key whose press was taken at its shortcut override
    int m_swallowedModifiers = 0;
    CWinApp* m_pPreviousApp = nullptr;
};

// The current application object; a plain default one when the program made none.
CWinApp* AfxGetApp();
// The text of a string resource in Windows-1252 bytes; empty when absent.
std::string AfxLoadString(UINT id);
// The text of a string resource with its "%1" replaced by arg (both Windows-1252). Every
// text the framework and the program show in a message box comes through these two.
std::string AfxFormatString1(UINT id, const std::string& arg);
// The same for a box, with a file system name (UTF-8 where valid) for %1: the name shows as
// the caption shows it, also beyond what 1252 can hold.
QString AfxFormatName1(UINT id, const std::string& name);
// Sets up Qt for the process and runs the application object (the program's main).
int AfxWinMain(int argc, char** argv);
