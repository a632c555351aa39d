#pragma once
// A flag that another thread raises to end a thread's alertable waits (SleepEx) at once:
// an eventfd among the waited-for descriptors. Once raised, every wait returns at once.

#include "AlertableSource.h"

#include <atomic>

class CStopSignal : public win::CAlertableSource {
public:
    CStopSignal();
    ~CStopSignal() override;
    CStopSignal(const CStopSignal&) = delete;
    CStopSignal& operator=(const CStopSignal&) = delete;

    // False when no eventfd could be had; then Raise only sets the flag.
    bool Valid() const { return m_fd >= 0; }
    void Raise();
    void Lower();
    bool Raised() const { return m_bRaised.load(); }

    Clock::time_point Prepare(std::vector<pollfd>& fds) override;
    int Dispatch(std::span<const pollfd> fds, Clock::time_point now) override;

private:
    int m_fd = -1;
    std::atomic<bool> m_bRaised{false};
};
