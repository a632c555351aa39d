#pragma once
// The application object of Quorail: the start-up sequence (command line, sockets, profile,
// template, first document, main window) and the application's own commands.

#include "CommandLineInfo.h"
#include "WinApp.h"

// The echo library's holder lives longer than the application object defined after this.
#include "IcmpModule.h"

class CQuorailApp : public CWinApp {
public:
    CQuorailApp();
    ~CQuorailApp() override;

    BOOL InitInstance() override;
    BOOL PreTranslateMessage(QObject* target, QEvent* event) override;

    void OnAppAbout();

    // The show-splash flag of the command line as InitInstance parsed it.
    BOOL m_bShowSplash = TRUE;
};
