// A watch of the loopback address with real ICMP sockets: its figures, bad options, a send
// that fails mid-watch, and a stop that leaves no thread behind.

#include "IcmpModule.h"
#include "LastError.h"
#include "PathWatch.h"
#include "RouteTracer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>

namespace {

CPathWatch::Options Loopback(unsigned cycles, double intervalS)
{
    CPathWatch::Options options;
    options.strHost = "127.0.0.1";
    options.nCycles = cycles;
    options.dIntervalS = intervalS;
    options.nTimeoutMs = 1000;
    options.bResolveNames = false;
    return options;
}

std::size_t Threads()
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        ++count;
    return count;
}

TEST(PathWatch, CountsEveryRoundAndTimesFinerThanMilliseconds)
{
    CPathWatch watch;
    ASSERT_TRUE(watch.Start(Loopback(40, 0.005)));
    ASSERT_TRUE(watch.WaitFinished(std::chrono::seconds(10)));
    const CWatchSnapshot snapshot = watch.Snapshot();
    EXPECT_EQ(snapshot.nError, 0u);
    EXPECT_EQ(snapshot.nRounds, 40u);
    EXPECT_EQ(snapshot.strAddress, "127.0.0.1");
    ASSERT_EQ(snapshot.hops.size(), 1u);
    const CHopStatistics& hop = snapshot.hops[0];
    EXPECT_EQ(hop.Sent(), 40u);
    EXPECT_EQ(hop.Received(), 40u);
    EXPECT_EQ(hop.LossPercent(), 0.0);
    EXPECT_EQ(hop.Responder(), "127.0.0.1");
    // A loopback round trip takes microseconds: whole milliseconds would make them all 0.
    EXPECT_GT(hop.WorstMs(), 0.0);
    EXPECT_LT(hop.BestMs(), 1.0);
    EXPECT_EQ(watch.History(1).size(), 40u);
}

TEST(PathWatch, RefusesUnusableOptions)
{
    CPathWatch watch;
    EXPECT_FALSE(watch.Start(Loopback(1, 0.001)));
    EXPECT_NE(watch.Snapshot().strError.find("0,002"), std::string::npos);
    EXPECT_FALSE(watch.Start(Loopback(1, std::nan(""))));
    CPathWatch::Options options = Loopback(1, 1.0);
    options.nMaxHops = 0;
    EXPECT_FALSE(watch.Start(options));
    EXPECT_FALSE(watch.IsRunning());
}

std::atomic<int> g_sendsLeft{0};
win::PFN_IcmpSendEcho2 g_realSend = nullptr;

DWORD FailingSend(HANDLE handle, HANDLE event, win::PIO_APC_ROUTINE routine, void* context, IPAddr destination,
                  const void* data, WORD size, const win::IP_OPTION_INFORMATION* options, void* reply,
                  DWORD replySize, DWORD timeoutMs)
{
    if (g_sendsLeft-- <= 0) {
        win::SetLastError(IP_HW_ERROR);
        return 0;
    }
    return g_realSend(handle, event, routine, context, destination, data, size, options, reply, replySize, timeoutMs);
}

TEST(PathWatch, SocketFailureEndsTheWatchAndKeepsTheFigures)
{
    ASSERT_TRUE(CRouteTracer::Initialise());
    g_realSend = g_pfnIcmpSendEcho2;
    g_sendsLeft = 5;
    g_pfnIcmpSendEcho2 = &FailingSend;
    CPathWatch watch;
    CPathWatch::Options options = Loopback(0, 0.005);
    options.nMaxHops = 1;
    ASSERT_TRUE(watch.Start(options));
    const bool finished = watch.WaitFinished(std::chrono::seconds(10));
    g_pfnIcmpSendEcho2 = g_realSend;
    ASSERT_TRUE(finished);
    const CWatchSnapshot snapshot = watch.Snapshot();
    EXPECT_EQ(snapshot.nError, IP_HW_ERROR);
    ASSERT_EQ(snapshot.hops.size(), 1u);
    EXPECT_EQ(snapshot.hops[0].Sent(), 5u);
    EXPECT_FALSE(watch.IsRunning());
}

TEST(PathWatch, StopLeavesNoThreadAndKeepsTheFigures)
{
    const std::size_t before = Threads();
    CPathWatch watch;
    ASSERT_TRUE(watch.Start(Loopback(0, 0.01)));
    while (watch.Snapshot().nRounds < 5)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(watch.IsRunning());
    watch.Stop();
    EXPECT_FALSE(watch.IsRunning());
    EXPECT_EQ(Threads(), before);
    const CWatchSnapshot snapshot = watch.Snapshot();
    EXPECT_TRUE(snapshot.bFinished);
    EXPECT_GE(snapshot.hops.at(0).Received(), 4u);
}

} // namespace
