#include "QuorailApp.h"

#include "AboutDialog.h"
#include "MainFrame.h"
#include "MessageBox.h"
#include "QuorailDoc.h"
#include "QuorailView.h"
#include "SingleDocTemplate.h"
#include "SplashWindow.h"

#include "Resource.h"
#include "WinSock.h"

#include <QWidget>

namespace {

// AfxSocketInit: Windows Sockets 1.1.
BOOL SocketInit()
{
    win::WSADATA data{};
    return win::WSAStartup(win::MAKEWORD(1, 1), &data) == 0;
}

} // namespace

CQuorailApp::CQuorailApp()
{
    OnCommand(ID_APP_ABOUT, [this] { OnAppAbout(); });
    OnCommand(ID_FILE_NEW, [this] { OnFileNew(); });
    OnCommand(ID_FILE_OPEN, [this] { OnFileOpen(); });
    OnCommand(ID_FILE_PRINT_SETUP, [this] { OnFilePrintSetup(); });
}

CQuorailApp::~CQuorailApp() = default;

BOOL CQuorailApp::InitInstance()
{
    LoadQtTranslations();
    CCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);
    m_bShowSplash = cmdInfo.m_bShowSplash;
    CSplashWindow::EnableSplash(m_bShowSplash);

    if (!SocketInit()) {
        AfxMessageBox(IDS_SOCKETS_INIT_FAILED);
        m_nExitCode = 1;
        return FALSE;
    }
    SetRegistryKey("Velmora");
    LoadStdProfileSettings(4);
    AddDocTemplate(new CSingleDocTemplate(
        IDR_MAINFRAME, [] { return new CQuorailDoc; }, [] { return new CMainFrame; },
        [] { return new CQuorailView; }));

    if (!ProcessShellCommand(cmdInfo)) {
        return FALSE;
    }
    GetMainWnd()->show();
    GetMainWnd()->update();
    return TRUE;
}

BOOL CQuorailApp::PreTranslateMessage(QObject* target, QEvent* event)
{
    if (CSplashWindow::FilterAppMessage(target, event)) {
        return TRUE;
    }
    return CWinApp::PreTranslateMessage(target, event);
}

void CQuorailApp::OnAppAbout()
{
    CAboutDialog aboutDlg;
    aboutDlg.DoModal();
}
