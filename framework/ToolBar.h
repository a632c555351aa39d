#pragma once
// A toolbar over QToolBar: buttons from the toolbar resource with images cut from the
// 16 x 15 strip ":/images/toolbar.bmp", tool tips (the prompt's text after "\n") and status
// prompts (before it). It can dock at the frame's sides or float.

#include "Wnd.h"

class CFrameWnd;

class CToolBar : public CWnd {
public:
    BOOL CreateEx(CFrameWnd* parent, DWORD ctrlStyle, DWORD style, UINT id);
    BOOL LoadToolBar(UINT resourceId);
    void EnableDocking(DWORD dockStyle);

private:
    CFrameWnd* m_pFrame = nullptr;
};
