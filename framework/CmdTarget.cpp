#include "CmdTarget.h"

#include "CmdUI.h"

BOOL CCmdTarget::OnCmdMsg(UINT id)
{
    const auto found = m_commands.find(id);
    if (found != m_commands.end()) {
        found->second();
        return TRUE;
    }
    for (const CRange& range : m_ranges) {
        if (id >= range.m_first && id <= range.m_last) {
            range.m_handler(id);
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CCmdTarget::OnUpdateCmdUI(CCmdUI* cmdUI)
{
    const auto update = m_updates.find(cmdUI->m_nID);
    if (update != m_updates.end()) {
        update->second(cmdUI);
        return TRUE;
    }
    if (m_commands.count(cmdUI->m_nID) != 0) {
        cmdUI->Enable(TRUE);
        return TRUE;
    }
    for (const CRange& range : m_ranges) {
        if (cmdUI->m_nID >= range.m_first && cmdUI->m_nID <= range.m_last) {
            cmdUI->Enable(TRUE);
            return TRUE;
        }
    }
    return FALSE;
}

void CCmdTarget::OnCommand(UINT id, std::function<void()> handler)
{
    m_commands[id] = std::move(handler);
}

void CCmdTarget::OnUpdateCommand(UINT id, std::function<void(CCmdUI*)> handler)
{
    m_updates[id] = std::move(handler);
}

void CCmdTarget::OnCommandRange(UINT first, UINT last, std::function<void(UINT)> handler)
{
    m_ranges.push_back({first, last, std::move(handler)});
}
