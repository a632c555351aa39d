#include "MainFrame.h"

#include "SplashWindow.h"
#include "WinStyles.h"

#include "MenuResource.h"
#include "Resource.h"

CMainFrame::CMainFrame() = default;

CMainFrame::~CMainFrame() = default;

BOOL CMainFrame::PreCreateWindow()
{
    return CFrameWnd::PreCreateWindow();
}

int CMainFrame::OnCreate()
{
    if (CFrameWnd::OnCreate() == -1) {
        return -1;
    }
    if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT,
                               WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY |
                                   CBRS_SIZE_DYNAMIC,
                               AFX_IDW_TOOLBAR) ||
        !m_wndToolBar.LoadToolBar(IDR_MAINFRAME)) {
        return -1;
    }
    const std::vector<UINT>& indicators = CMenuResource::Indicators();
    if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR) ||
        !m_wndStatusBar.SetIndicators(indicators.data(), static_cast<int>(indicators.size()))) {
        return -1;
    }
    m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
    EnableDocking(CBRS_ALIGN_ANY);
    CSplashWindow::ShowSplash(GetSafeHwnd());
    return 0;
}
