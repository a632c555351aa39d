#pragma once
// An object that commands can reach: a table of command ids and their handlers, plus
// update handlers that set a command's enabled and checked state. Routing between the
// view, document, frame and application is done by overriding OnCmdMsg.

#include "WinTypes.h"

#include <functional>
#include <map>
#include <vector>

class CCmdUI;

class CCmdTarget {
public:
    CCmdTarget() = default;
    virtual ~CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    // Runs the handler for id; FALSE when this target has none.
    virtual BOOL OnCmdMsg(UINT id);
    // Lets the target set the command's state; FALSE when it knows nothing of id.
    virtual BOOL OnUpdateCmdUI(CCmdUI* cmdUI);

protected:
    void OnCommand(UINT id, std::function<void()> handler);
    void OnUpdateCommand(UINT id, std::function<void(CCmdUI*)> handler);
    void OnCommandRange(UINT first, UINT last, std::function<void(UINT)> handler);

private:
    std::map<UINT, std::function<void()>> m_commands;
    std::map<UINT, std::function<void(CCmdUI*)>> m_updates;
    struct CRange {
        UINT m_first;
        UINT m_last;
        std::function<void(UINT)> m_handler;
    };
    std::vector<CRange> m_ranges;
};
