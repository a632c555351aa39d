#pragma once
// The state a command's user-interface items should show: enabled, checked, and for the
// recent-file slots their text. A command with no handler anywhere ends up disabled.

#include "WinTypes.h"

#include <string>

class CCmdUI {
public:
    explicit CCmdUI(UINT id) : m_nID(id) {}
    virtual ~CCmdUI() = default;

    virtual void Enable(BOOL on = TRUE);
    virtual void SetCheck(int check = 1);
    virtual void SetText(const std::string& text1252);

    UINT m_nID;
    BOOL m_bEnabled = TRUE;
    int m_nCheck = 0;
    BOOL m_bEnableChanged = FALSE;
};
