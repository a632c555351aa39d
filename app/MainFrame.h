#pragma once
// The program's main window: the frame with its flat, dockable toolbar and the status bar
// with the message pane and the three lock indicators.

#include "FrameWnd.h"
#include "StatusBar.h"
#include "ToolBar.h"

class CMainFrame : public CFrameWnd {
public:
    CMainFrame();
    ~CMainFrame() override;

    BOOL PreCreateWindow() override;
    int OnCreate() override;

    CStatusBar m_wndStatusBar;
    CToolBar m_wndToolBar;
};
