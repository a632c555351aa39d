// Measures what the watch window costs while it watches: a window on a simulated path of
// 30 hops, one round a second as the menu starts it, its table and chart updated as the
// answers come. After a warm-up it takes the process's CPU time (user and system, the
// rounds' thread included) over a minute and prints it against the bound of 2 % of one core.
// The path is played by quorail-pathsim behind the test network's tun device, so the
// program runs inside qlab-src (tests/lab/run-in-lab.sh).
// Usage: quorail-bench-window [--quick] PATHSIM SCRIPT
// --quick: 10 s instead of a minute, for the tests; the figures are printed, no verdict.

#include "ChildProcess.h"
#include "WatchWindow.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr const char* kTarget = "198.18.200.130";
constexpr unsigned kHops = 30;
constexpr double kBound = 0.02; // of one core
constexpr int kWarmUpMs = 4000;
constexpr int kFullMs = 60000;
constexpr int kQuickMs = 10000;

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void RunEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

int Measure(int measureMs, bool quick)
{
    CWatchWindow window(kTarget);
    window.show();
    if (!window.Start(CWatchWindow::DefaultOptions(kTarget))) {
        std::fprintf(stderr, "quorail-bench-window: the watch of %s did not start (%lu)\n", kTarget,
                     static_cast<unsigned long>(window.Shown().nError));
        return 1;
    }
    RunEvents(kWarmUpMs);
    const unsigned roundsBefore = window.Shown().nRounds;
    const double cpuBefore = CpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    RunEvents(measureMs);
    const double cpu = CpuSeconds() - cpuBefore;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    const CWatchSnapshot& shown = window.Shown();
    window.Stop();
    if (shown.hops.size() != kHops || shown.nRounds <= roundsBefore) {
        std::fprintf(stderr, "quorail-bench-window: the window showed %zu hops and %u rounds, not %u hops\n",
                     shown.hops.size(), shown.nRounds, kHops);
        return 1;
    }
    const double share = cpu / wall;
    const double ratio = share / kBound;
    std::printf("watch window, %u hops, one round a second: %u rounds in %.1f s, CPU %.3f s = %.2f %% of one core\n",
                kHops, shown.nRounds - roundsBefore, wall, cpu, share * 100);
    std::printf("against the bound of %.0f %%: ratio %.2f%s\n", kBound * 100, ratio,
                quick ? "" : (ratio <= 1 ? " (within)" : " (OVER)"));
    return quick || ratio <= 1 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    if (argc != (quick ? 4 : 3)) {
        std::fprintf(stderr, "usage: quorail-bench-window [--quick] PATHSIM SCRIPT\n");
        return 2;
    }
    QApplication application(argc, argv);
    CChildProcess simulator;
    if (!simulator.StartAndWaitFor({argv[argc - 2], argv[argc - 1]}, "ready", 5000)) {
        std::fprintf(stderr, "quorail-bench-window: the path simulator did not start: %s\n", simulator.Stop().c_str());
        return 1;
    }
    const int result = Measure(quick ? kQuickMs : kFullMs, quick);
    simulator.Stop();
    return result;
}
