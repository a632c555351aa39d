#pragma once
// Keeps the program alive while a trace blocks the user-interface thread, and lets the user
// stop it: for its lifetime, blocking waits of the socket stand-ins pump all events
// (painting, the window manager's liveness checks, timers). Esc stops the trace, and so
// does a request to close the frame, which is carried out once the scope is over. Input
// reaches the menu bar, its menus and the toolbars only, where the frame greys every command
// but the open ones; all other input and status prompts are dropped. It does not run the
// trace itself.

#include "WinTypes.h"

#include <QObject>
#include <QPointer>

#include <vector>

class QEvent;
class QWidget;
class CFrameWnd;

class CTraceBusyScope : public QObject {
public:
    // frame: the frame whose close request stops the trace (none: closing is left alone);
    // openCommands: its commands that stay enabled meanwhile.
    explicit CTraceBusyScope(CFrameWnd* frame = nullptr, std::vector<UINT> openCommands = {});
    ~CTraceBusyScope() override;
    CTraceBusyScope(const CTraceBusyScope&) = delete;
    CTraceBusyScope& operator=(const CTraceBusyScope&) = delete;

    // True while some scope is alive.
    static bool IsActive();
    // The user's stop: cancels the blocking call in progress and every later one of the
    // innermost scope (WSACancelBlockingCall). Called from within the blocking hook.
    static void StopActive();

    bool IsStopped() const { return m_bStopped; }
    bool IsCloseRequested() const { return m_bCloseRequested; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static bool IsStopKey(const QEvent* event);
    // Input for the menu bar, an open menu or a toolbar passes, and so does input on its way
    // through a platform window to a widget.
    static bool PassesInput(QObject* watched);
    void Stop();
    bool FilterClose(QObject* watched, QEvent* event);

    static CTraceBusyScope* s_pActiveScope;
    CTraceBusyScope* m_pOuterScope = nullptr;
    void (*m_pfnPreviousHook)() = nullptr;
    CFrameWnd* m_pFrame = nullptr;
    QPointer<QWidget> m_pWindow;
    bool m_bStopped = false;
    bool m_bCloseRequested = false;
};
