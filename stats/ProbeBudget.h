#pragma once
// What all watches of the process may send together, as the probe helper allows one
// process: at most kMaxInFlight requests waiting and kMaxPerSecond sent a second (bursts
// up to kMaxInFlight). Shared by the watches' threads; a watch that finds it spent waits.

#include "ProbeProtocol.h"

#include <chrono>
#include <mutex>

class CProbeBudget {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kMaxInFlight = win::CProbeProtocol::kMaxInFlight;
    static constexpr double kMaxPerSecond = win::CProbeProtocol::kMaxPerSecond;

    static CProbeBudget& Process();

    // Takes one request's place and token; false when either is spent.
    bool Take(Clock::time_point now);
    // A request taken has ended (answered, timed out or dropped).
    void Give();
    // The rate allows nothing until then; now when it allows a request already.
    Clock::time_point NextToken(Clock::time_point now);
    // The helper said it is full: no token until the rate has refilled one.
    void Spend();

private:
    void Refill(Clock::time_point now);

    std::mutex m_lock;
    std::size_t m_nInFlight = 0;
    double m_dTokens = static_cast<double>(kMaxInFlight);
    Clock::time_point m_refilled = Clock::now();
};
