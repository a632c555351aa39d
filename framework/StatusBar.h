#pragma once
// A status bar over QStatusBar: the message pane (idle text "Bereit", command prompts while
// a menu item or button is pointed at) and indicator panes whose text shows while their
// lock key is on; where the platform does not tell the lock state they stay empty.

#include "Wnd.h"

#include <string>
#include <vector>

class CFrameWnd;
class QLabel;

class CStatusBar : public CWnd {
public:
    BOOL Create(CFrameWnd* parent, DWORD style, UINT id);
    BOOL SetIndicators(const UINT* ids, int count);
    // The pane's text as shown now (the message pane shows a prompt or the idle text).
    std::string GetPaneText(int index) const;
    void UpdateIndicators();

    static constexpr int s_nIndicatorIntervalMs = 250; // how often lock states are read

private:
    std::vector<UINT> m_ids;
    std::vector<QLabel*> m_panes;
};
