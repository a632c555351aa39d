#include "SimLoop.h"

#include <poll.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

std::int64_t NowUs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

void LogRequest(const EchoRequest& request, std::size_t answers)
{
    std::fprintf(stderr, "pathsim: %s -> %s ttl %u id %u seq %u: %zu packet(s)\n",
                 FormatAddress(request.m_source).c_str(), FormatAddress(request.m_destination).c_str(),
                 request.m_ttl, request.m_id, request.m_sequence, answers);
}

} // namespace

CSimLoop::CSimLoop(CTunDevice& tun, CPathSimulator& simulator, int stopFd, bool verbose)
    : m_tun(tun)
    , m_simulator(simulator)
    , m_stopFd(stopFd)
    , m_bVerbose(verbose)
{
}

void CSimLoop::Run()
{
    bool requests = false;
    while (WaitForWork(requests)) {
        SendDue();
        if (requests)
            ReadRequests();
    }
}

bool CSimLoop::WaitForWork(bool& requests)
{
    pollfd fds[2] = {{m_tun.Descriptor(), POLLIN, 0}, {m_stopFd, POLLIN, 0}};
    timespec timeout{};
    timespec* wait = nullptr;
    if (!m_pending.empty()) {
        const std::int64_t us = std::max<std::int64_t>(0, m_pending.begin()->first - NowUs());
        timeout.tv_sec = static_cast<time_t>(us / 1000000);
        timeout.tv_nsec = static_cast<long>(us % 1000000) * 1000;
        wait = &timeout;
    }
    ppoll(fds, 2, wait, nullptr);
    requests = (fds[0].revents & POLLIN) != 0;
    // A device that went away would wake the loop for ever, at real-time priority.
    const bool deviceGone = (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
    return (fds[1].revents & POLLIN) == 0 && !deviceGone;
}

void CSimLoop::ReadRequests()
{
    std::uint8_t buffer[65536];
    for (long size; (size = m_tun.Read(buffer, sizeof buffer)) >= 0;) {
        const std::int64_t now = NowUs();
        const auto request = CSimPacket::ParseEchoRequest(buffer, static_cast<std::size_t>(size));
        if (!request)
            continue;
        const auto answers = m_simulator.Answer(*request, now);
        if (m_bVerbose)
            LogRequest(*request, answers.size());
        for (const ScheduledPacket& answer : answers)
            m_pending.emplace(answer.m_dueUs, answer.m_packet);
        // A burst of requests must not hold back the answers that fall due meanwhile.
        SendDue();
    }
}

void CSimLoop::SendDue()
{
    const std::int64_t now = NowUs();
    while (!m_pending.empty() && m_pending.begin()->first <= now) {
        m_tun.Write(m_pending.begin()->second);
        m_pending.erase(m_pending.begin());
    }
}
