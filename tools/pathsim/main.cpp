// quorail-pathsim: answers the ICMP echo requests that reach a tun device as the scripted
// path would (see PathScript.h for the script). Prints "ready" once it listens; ends on
// SIGTERM or SIGINT. Usage: quorail-pathsim [-i DEVICE] [-v] SCRIPT

#include "SimPacket.h"
#include "PathScript.h"
#include "PathSimulator.h"
#include "TunDevice.h"

#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace {

struct Options {
    std::string m_device = "qsim0";
    std::string m_script;
    bool m_bVerbose = false;
};

std::int64_t NowUs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-v") {
            options.m_bVerbose = true;
        } else if (arg == "-i" && i + 1 < argc) {
            options.m_device = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && options.m_script.empty()) {
            options.m_script = arg;
        } else {
            return false;
        }
    }
    return !options.m_script.empty();
}

int BlockStopSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    return signalfd(-1, &signals, SFD_CLOEXEC);
}

void LogRequest(const EchoRequest& request, std::size_t answers)
{
    std::fprintf(stderr, "pathsim: %s -> %s ttl %u id %u seq %u: %zu packet(s)\n",
                 FormatAddress(request.m_source).c_str(), FormatAddress(request.m_destination).c_str(),
                 request.m_ttl, request.m_id, request.m_sequence, answers);
}

// Answers are due to the microsecond: no timer slack (50 µs by default), no page faults,
// and, where allowed, a real-time priority so that a busy machine does not delay them.
void KeepTimely()
{
    prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    mlockall(MCL_CURRENT | MCL_FUTURE);
    sched_param priority{};
    priority.sched_priority = 10;
    sched_setscheduler(0, SCHED_FIFO, &priority);
}

class CLoop {
public:
    CLoop(CTunDevice& tun, CPathSimulator& simulator, int stopFd, bool verbose)
        : m_tun(tun), m_simulator(simulator), m_stopFd(stopFd), m_bVerbose(verbose)
    {
    }

    void Run()
    {
        bool requests = false;
        while (WaitForWork(requests)) {
            SendDue();
            if (requests)
                ReadRequests();
        }
    }

private:
    // False once a stop signal arrived; requests tells whether the device has packets.
    bool WaitForWork(bool& requests)
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
        return (fds[1].revents & POLLIN) == 0;
    }

    void ReadRequests()
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
        }
    }

    void SendDue()
    {
        const std::int64_t now = NowUs();
        while (!m_pending.empty() && m_pending.begin()->first <= now) {
            m_tun.Write(m_pending.begin()->second);
            m_pending.erase(m_pending.begin());
        }
    }

    CTunDevice& m_tun;
    CPathSimulator& m_simulator;
    int m_stopFd;
    bool m_bVerbose;
    std::multimap<std::int64_t, std::vector<std::uint8_t>> m_pending; // due time in µs -> packet
};

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs("usage: quorail-pathsim [-i DEVICE] [-v] SCRIPT\n", stderr);
        return 2;
    }
    CPathScript script;
    if (!script.Load(options.m_script)) {
        std::fprintf(stderr, "quorail-pathsim: %s: %s\n", options.m_script.c_str(), script.m_error.c_str());
        return 2;
    }
    const int stopFd = BlockStopSignals();
    CTunDevice tun;
    if (stopFd < 0 || !tun.Open(options.m_device) || !tun.WaitUntilRunning(3000)) {
        std::fprintf(stderr, "quorail-pathsim: %s\n", tun.m_error.c_str());
        return 1;
    }
    KeepTimely();
    CPathSimulator simulator(script);
    std::puts("ready");
    std::fflush(stdout);
    CLoop(tun, simulator, stopFd, options.m_bVerbose).Run();
    return 0;
}
