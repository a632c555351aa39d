#pragma once
// Keeps the program alive but untouchable while a trace blocks the user-interface thread:
// for its lifetime, blocking waits of the socket stand-ins pump the non-input events
// (painting, the window manager's liveness checks, timers), input events and status
// prompts are dropped and requests to close a window are refused. It does not run the
// trace itself.

#include <QObject>

class QEvent;

class CTraceBusyScope : public QObject {
public:
    CTraceBusyScope();
    ~CTraceBusyScope() override;
    CTraceBusyScope(const CTraceBusyScope&) = delete;
    CTraceBusyScope& operator=(const CTraceBusyScope&) = delete;

    // True while some scope is alive.
    static bool IsActive();
    // True for the events a user's keyboard, mouse or touch sends.
    static bool IsInputEvent(const QEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static void PumpEvents();

    static CTraceBusyScope* s_pActiveScope;
    CTraceBusyScope* m_pOuterScope = nullptr;
    void (*m_pfnPreviousHook)() = nullptr;
};
