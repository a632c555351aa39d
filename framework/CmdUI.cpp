#include "CmdUI.h"

void CCmdUI::Enable(BOOL on)
{
    m_bEnabled = on;
    m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int check)
{
    m_nCheck = check;
}

void CCmdUI::SetText(const std::string& /*text1252*/)
{
}
