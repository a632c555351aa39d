#pragma once
// Keeps the program alive but untouchable while a blocking call (a trace, the launch of a
// desktop program) holds the user-interface thread: for its lifetime, blocking waits of the
// socket and shell stand-ins pump the non-input events (painting, the window manager's
// liveness checks, timers), input events are dropped and requests to close a window are
// refused. It does not run the call itself.

#include <QObject>

class QEvent;

class CBusyScope : public QObject {
public:
    CBusyScope();
    ~CBusyScope() override;
    CBusyScope(const CBusyScope&) = delete;
    CBusyScope& operator=(const CBusyScope&) = delete;

    // True while some scope is alive.
    static bool IsActive();
    // True for the events a user's keyboard, mouse or touch sends.
    static bool IsInputEvent(const QEvent* event);
    // The blocking hook of every busy scope: runs all pending events for up to one hook interval.
    static void PumpEvents();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:

    static CBusyScope* s_pActiveScope;
    CBusyScope* m_pOuterScope = nullptr;
    void (*m_pfnPreviousHook)() = nullptr;
};
