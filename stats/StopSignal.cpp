#include "StopSignal.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

CStopSignal::CStopSignal() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

CStopSignal::~CStopSignal()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void CStopSignal::Raise()
{
    m_bRaised = true;
    const std::uint64_t one = 1;
    if (m_fd >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(m_fd, &one, sizeof one);
    }
}

void CStopSignal::Lower()
{
    m_bRaised = false;
    std::uint64_t count = 0;
    if (m_fd >= 0) {
        [[maybe_unused]] const ssize_t read = ::read(m_fd, &count, sizeof count);
    }
}

CStopSignal::Clock::time_point CStopSignal::Prepare(std::vector<pollfd>& fds)
{
    if (m_fd >= 0)
        fds.push_back({m_fd, POLLIN, 0});
    // Now rather than the clock's minimum, from which the wait's remaining time would overflow.
    return m_bRaised ? Clock::now() : Clock::time_point::max();
}

int CStopSignal::Dispatch(std::span<const pollfd>, Clock::time_point)
{
    return m_bRaised ? 1 : 0;
}
