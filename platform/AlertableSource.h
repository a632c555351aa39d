#pragma once
// Something that completes later on one thread (echo requests, name lookups): the thread's
// alertable wait (SleepEx) polls its descriptors and lets it run its completion routines.

#include <chrono>
#include <poll.h>
#include <span>
#include <vector>

namespace win {

class CAlertableSource {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~CAlertableSource() = default;
    // Appends the descriptors to poll; returns when Dispatch must run at the latest
    // (Clock::time_point::max() when only events matter).
    virtual Clock::time_point Prepare(std::vector<pollfd>& fds) = 0;
    // Handles the events on the descriptors it appended and what is due by now, then runs
    // the completion routines of what finished; returns how many it ran.
    virtual int Dispatch(std::span<const pollfd> fds, Clock::time_point now) = 0;
};

} // namespace win
