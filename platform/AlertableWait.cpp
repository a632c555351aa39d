#include "AlertableWait.h"

#include "BlockingHook.h"

#include <algorithm>
#include <ctime>

namespace win {

namespace {

using Clock = CAlertableSource::Clock;

thread_local std::vector<CAlertableSource*> t_sources;

timespec ToTimespec(Clock::duration slice)
{
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(slice).count();
    return {static_cast<time_t>(nanoseconds / 1000000000), static_cast<long>(nanoseconds % 1000000000)};
}

// Polls every source's descriptors for at most until; returns the completion routines run.
int PollSources(Clock::time_point until)
{
    std::vector<pollfd> fds;
    std::vector<std::size_t> counts;
    for (CAlertableSource* source : t_sources) {
        const std::size_t before = fds.size();
        until = std::min(until, source->Prepare(fds));
        counts.push_back(fds.size() - before);
    }
    const timespec timeout = ToTimespec(std::max(until - Clock::now(), Clock::duration::zero()));
    ::ppoll(fds.data(), fds.size(), &timeout, nullptr);
    int ran = 0;
    std::size_t offset = 0;
    const Clock::time_point now = Clock::now();
    for (std::size_t i = 0; i < counts.size(); ++i) {
        ran += t_sources[i]->Dispatch(std::span<const pollfd>(fds.data() + offset, counts[i]), now);
        offset += counts[i];
    }
    return ran;
}

} // namespace

void AddAlertableSource(CAlertableSource* source)
{
    if (std::find(t_sources.begin(), t_sources.end(), source) == t_sources.end())
        t_sources.push_back(source);
}

DWORD SleepEx(DWORD milliseconds, BOOL alertable)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    const auto hookInterval = std::chrono::milliseconds(kBlockingHookIntervalMs);
    Clock::time_point lastHook = Clock::now();
    for (;;) {
        if (IsBlockingCallCancelled())
            return 0;
        const Clock::time_point until = HasBlockingHook() ? std::min(deadline, lastHook + hookInterval) : deadline;
        if (alertable) {
            if (PollSources(until) > 0)
                return WAIT_IO_COMPLETION;
        } else {
            const timespec timeout = ToTimespec(std::max(until - Clock::now(), Clock::duration::zero()));
            ::nanosleep(&timeout, nullptr);
        }
        const Clock::time_point now = Clock::now();
        if (HasBlockingHook() && now - lastHook >= hookInterval) {
            CallBlockingHook();
            lastHook = Clock::now();
        }
        if (now >= deadline)
            return 0;
    }
}

} // namespace win
