// quorail-pathsim: answers the ICMP echo requests that reach a tun device as the scripted
// path would (see PathScript.h for the script). Prints "ready" once it listens; ends on
// SIGTERM or SIGINT. Usage: quorail-pathsim [-i DEVICE] [-v] SCRIPT

#include "PathScript.h"
#include "PathSimulator.h"
#include "SimLoop.h"
#include "TunDevice.h"

#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

struct Options {
    std::string m_device = "qsim0";
    std::string m_script;
    bool m_bVerbose = false;
};

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
    CSimLoop(tun, simulator, stopFd, options.m_bVerbose).Run();
    return 0;
}
