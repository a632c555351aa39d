#pragma once
// The kernel's receive stamp of a packet (SO_TIMESTAMPNS, realtime clock) and what it
// takes off a round trip timed in user space: the time the answer lay queued while the
// reader was busy elsewhere is no part of the trip.

#include <chrono>
#include <ctime>
#include <optional>

struct msghdr;

namespace win {

class CReceiveStamp {
public:
    using Clock = std::chrono::steady_clock;

    // The stamp among a received message's ancillary data, if the kernel put one there.
    static std::optional<timespec> Find(const msghdr& message);
    // Now, on the clock the stamps are on.
    static std::chrono::nanoseconds RealtimeNow();
    // elapsed: from the send to the read; readRealtime: RealtimeNow() at the read.
    static Clock::duration RoundTrip(Clock::duration elapsed, std::chrono::nanoseconds readRealtime,
                                     const std::optional<timespec>& stamp);
};

} // namespace win
