#include "ReceiveStamp.h"

#include <algorithm>
#include <cstring>
#include <sys/socket.h>

namespace win {

namespace {

std::chrono::nanoseconds ToDuration(const timespec& time)
{
    return std::chrono::seconds(time.tv_sec) + std::chrono::nanoseconds(time.tv_nsec);
}

} // namespace

std::optional<timespec> CReceiveStamp::Find(const msghdr& message)
{
    for (const cmsghdr* entry = CMSG_FIRSTHDR(&message); entry != nullptr;
         entry = CMSG_NXTHDR(const_cast<msghdr*>(&message), const_cast<cmsghdr*>(entry))) {
        if (entry->cmsg_level != SOL_SOCKET || entry->cmsg_type != SCM_TIMESTAMPNS ||
            entry->cmsg_len < CMSG_LEN(sizeof(timespec)))
            continue;
        timespec stamp{};
        std::memcpy(&stamp, CMSG_DATA(entry), sizeof stamp);
        return stamp;
    }
    return std::nullopt;
}

std::chrono::nanoseconds CReceiveStamp::RealtimeNow()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return ToDuration(now);
}

CReceiveStamp::Clock::duration CReceiveStamp::RoundTrip(Clock::duration elapsed, std::chrono::nanoseconds readRealtime,
                                                        const std::optional<timespec>& stamp)
{
    elapsed = std::max(elapsed, Clock::duration::zero());
    if (!stamp)
        return elapsed;
    const auto age = std::clamp<Clock::duration>(readRealtime - ToDuration(*stamp), Clock::duration::zero(), elapsed);
    return elapsed - age;
}

} // namespace win
