// Traces along the scripted paths of paths.txt, answered by quorail-pathsim on the tun
// device of the test network. The script is the ground truth for addresses and times.

#include "AsyncResolver.h"
#include "BlockingHook.h"
#include "ChildProcess.h"
#include "DirectEcho.h"
#include "EchoRequests.h"
#include "EchoSocketPool.h"
#include "PathWatch.h"
#include "TraceRun.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <thread>

namespace {

class SimulatedPath : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_pSimulator = std::make_unique<CChildProcess>();
        s_bReady = s_pSimulator->StartAndWaitFor({QUORAIL_PATHSIM, QLAB_PATHS_SCRIPT}, "ready", 5000);
        if (!s_bReady)
            s_startError = s_pSimulator->Stop();
    }

    static void TearDownTestSuite()
    {
        s_pSimulator.reset();
    }

    void SetUp() override
    {
        ASSERT_TRUE(s_bReady) << "quorail-pathsim did not start on qsim0: " << s_startError;
    }

    static void ExpectRoundTrips(const HopResult& hop, double trueMs)
    {
        for (DWORD reported : {hop.MinRTT, hop.AvgRTT, hop.MaxRTT})
            EXPECT_NEAR(static_cast<double>(reported), trueMs, 1.0) << "hop at " << DottedAddress(hop.Address);
    }

    static std::unique_ptr<CChildProcess> s_pSimulator;
    static bool s_bReady;
    static std::string s_startError; // the simulator's standard error when it did not start
};

std::unique_ptr<CChildProcess> SimulatedPath::s_pSimulator;
bool SimulatedPath::s_bReady = false;
std::string SimulatedPath::s_startError;

} // namespace

TEST_F(SimulatedPath, HopsNamesAndRoundTripsFollowTheScript)
{
    const CTraceRun run("198.18.200.9", 30, 1000, 3, true);
    ASSERT_TRUE(run.m_bResult) << "last error " << run.m_lastError;
    const char* addresses[] = {"198.18.200.1", "198.18.200.2", "198.18.200.3", "198.18.200.4", "198.18.200.9"};
    const double rtts[] = {2, 5.5, 9, 14.25, 20};
    const char* names[] = {"hop1", "hop2", "hop3", "hop4", "hop9"};
    ASSERT_EQ(run.m_hops.GetSize(), 5u);
    ASSERT_EQ(run.m_lines.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(DottedAddress(run.m_hops[i].Address), addresses[i]);
        EXPECT_EQ(run.m_hops[i].dwError, 0u);
        ExpectRoundTrips(run.m_hops[i], rtts[i]);
        const std::string tail = std::string("[") + addresses[i] + "]\t" + names[i] + ".sim.lab.quorail.test";
        EXPECT_EQ(run.m_lines[i].rfind(std::to_string(i + 1) + "\t", 0), 0u) << run.m_lines[i];
        EXPECT_NE(run.m_lines[i].find(tail), std::string::npos) << run.m_lines[i];
    }
}

TEST_F(SimulatedPath, SilentLostAndLateAnswersAreTimeouts)
{
    const CTraceRun run("198.18.200.20", 30, 150, 3, false);
    ASSERT_TRUE(run.m_bResult) << "last error " << run.m_lastError;
    ASSERT_EQ(run.m_hops.GetSize(), 6u);
    const char* addresses[] = {"198.18.200.1", "0.0.0.0", "198.18.200.3", "0.0.0.0", "0.0.0.0", "198.18.200.20"};
    const DWORD errors[] = {0, IP_REQ_TIMED_OUT, IP_REQ_TIMED_OUT, IP_REQ_TIMED_OUT, IP_REQ_TIMED_OUT, 0};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(DottedAddress(run.m_hops[i].Address), addresses[i]) << "hop " << i + 1;
        EXPECT_EQ(run.m_hops[i].dwError, errors[i]) << "hop " << i + 1;
    }
    EXPECT_EQ(run.m_lines[2], "3\t*\t*\t*\tFehler:\t\t11010");
    ExpectRoundTrips(run.m_hops[5], 4);
}

TEST_F(SimulatedPath, ForeignStaleAndDuplicateAnswersAreIgnored)
{
    const CTraceRun run("198.18.200.30", 30, 1000, 3, false);
    ASSERT_TRUE(run.m_bResult) << "last error " << run.m_lastError;
    ASSERT_EQ(run.m_hops.GetSize(), 3u);
    const char* addresses[] = {"198.18.200.1", "198.18.200.2", "198.18.200.30"};
    const double rtts[] = {3, 6, 8};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(DottedAddress(run.m_hops[i].Address), addresses[i]);
        EXPECT_EQ(run.m_hops[i].dwError, 0u);
        ExpectRoundTrips(run.m_hops[i], rtts[i]);
    }
}

TEST_F(SimulatedPath, UnreachableAnswersCarryTheirCode)
{
    const struct {
        const char* m_target;
        DWORD m_status;
    } cases[] = {{"198.18.200.40", IP_DEST_HOST_UNREACHABLE},
                 {"198.18.200.41", IP_DEST_NET_UNREACHABLE},
                 {"198.18.200.43", IP_DEST_PORT_UNREACHABLE}};
    for (const auto& c : cases) {
        const DirectEcho echo = SendDirectEcho(LabAddress(c.m_target), 64, 1000);
        ASSERT_EQ(echo.m_count, 1u) << c.m_target << ": last error " << echo.m_lastError;
        EXPECT_EQ(echo.m_record.Status, c.m_status) << c.m_target;
        EXPECT_EQ(DottedAddress(echo.m_record.Address), "198.18.200.7") << c.m_target;
        EXPECT_NEAR(static_cast<double>(echo.m_record.RoundTripTime), 2.0, 1.0) << c.m_target;
    }

    // The route ends at the unreachable answer, under either schedule.
    for (const auto schedule : {CRouteTracer::ESchedule::Parallel, CRouteTracer::ESchedule::Sequential}) {
        const CTraceRun run("198.18.200.40", 30, 1000, 3, false, schedule);
        ASSERT_TRUE(run.m_bResult);
        ASSERT_EQ(run.m_hops.GetSize(), 2u);
        EXPECT_EQ(DottedAddress(run.m_hops[1].Address), "198.18.200.7");
        EXPECT_EQ(run.m_unreachable, IP_DEST_HOST_UNREACHABLE);
        ExpectRoundTrips(run.m_hops[1], 2);
    }
    const CTraceRun net("198.18.200.41", 30, 1000, 1, false);
    ASSERT_EQ(net.m_hops.GetSize(), 1u);
    EXPECT_EQ(net.m_unreachable, IP_DEST_NET_UNREACHABLE);
}

namespace {
std::chrono::steady_clock::time_point g_stopAt;

// Gives the calling thread a mount namespace of its own whose resolver asks the name server
// on 127.0.0.1 after the hosts file, for longer than the test waits; "" when done.
std::string UseNameServerOnLoopback()
{
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return "no mount namespace of its own";
    const std::pair<const char*, const char*> files[] = {
        {"/etc/nsswitch.conf", "hosts: files dns\n"},
        {"/etc/resolv.conf", "nameserver 127.0.0.1\noptions timeout:20 attempts:1\n"}};
    for (const auto& [target, text] : files) {
        char path[] = "/tmp/quorail-lab-resolver.XXXXXX";
        const int fd = ::mkstemp(path);
        const bool written = fd >= 0 && ::write(fd, text, std::strlen(text)) == static_cast<ssize_t>(std::strlen(text));
        if (fd >= 0)
            ::close(fd);
        const bool mounted = written && ::mount(path, target, nullptr, MS_BIND, nullptr) == 0;
        ::unlink(path);
        if (!mounted)
            return std::string("cannot put a file of its own over ") + target;
    }
    return "";
}

// The user's Esc, once g_stopAt has passed.
void StopWhenDue()
{
    if (std::chrono::steady_clock::now() >= g_stopAt)
        win::WSACancelBlockingCall();
}
} // namespace

TEST_F(SimulatedPath, StoppedTraceFailsCancelledKeepsItsHopsAndLeavesNothingWaiting)
{
    // Sockets that earlier tests left in the pool are stale by then, and go at the trace's start.
    std::this_thread::sleep_for(win::CEchoSocketPool::kTrustPeriod + std::chrono::milliseconds(100));
    // Unstopped, the trace would give the silent hop up after a second and then finish.
    g_stopAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    win::WSASetBlockingHook(&StopWhenDue);
    const CTraceRun run("198.18.200.50", 30, 30000, 3, true);
    win::WSAUnhookBlockingHook();

    EXPECT_FALSE(run.m_bResult);
    EXPECT_EQ(run.m_lastError, ERROR_CANCELLED);
    ASSERT_EQ(run.m_hops.GetSize(), 1u);
    EXPECT_EQ(run.m_lines.size(), 1u);
    EXPECT_NE(run.m_lines[0].find("[198.18.200.1]\thop1.sim.lab.quorail.test"), std::string::npos) << run.m_lines[0];
    EXPECT_EQ(win::CEchoRequests::Current().Waiting(), 0u);
    EXPECT_EQ(win::CAsyncResolver::Current().Waiting(), 0u);
    EXPECT_EQ(win::CEchoSocketPool::Instance().Kept(), 0u) << "the stopped trace's socket stays open";
}

// A stop while hop 1's name is asked of a silent name server: hops 2 and 3 finished in the
// meantime and are kept, with their names from the hosts file; hop 1 goes without its name.
// On a thread of its own, whose mount namespace sends lookups that miss the hosts file to
// the name server on 127.0.0.1, where this test listens.
TEST_F(SimulatedPath, StopDuringALookupKeepsTheHopsFinishedMeanwhile)
{
    std::string failure;
    std::vector<std::string> lines;
    DWORD lastError = 0;
    std::thread([&] {
        const std::string prepared = UseNameServerOnLoopback();
        if (!prepared.empty()) {
            failure = prepared;
            return;
        }
        const int server = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(53);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            failure = "no name server on 127.0.0.1:53";
            ::close(server);
            return;
        }
        g_stopAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(600);
        win::WSASetBlockingHook(&StopWhenDue);
        const CTraceRun run("198.18.200.90", 30, 30000, 3, true);
        win::WSAUnhookBlockingHook();
        pollfd query{server, POLLIN, 0};
        if (::poll(&query, 1, 0) != 1)
            failure = "hop 1's name was not asked of the name server";
        ::close(server);
        lines = run.m_lines;
        lastError = run.m_lastError;
    }).join();
    ASSERT_EQ(failure, "");
    EXPECT_EQ(lastError, ERROR_CANCELLED);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("1\t", 0), 0u) << lines[0];
    EXPECT_TRUE(lines[0].ends_with("\t[198.18.200.91]")) << lines[0];
    EXPECT_NE(lines[1].find("[198.18.200.2]\thop2.sim.lab.quorail.test"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("[198.18.200.3]\thop3.sim.lab.quorail.test"), std::string::npos) << lines[2];
}

TEST_F(SimulatedPath, SlowRouterKeepsItsTimesWhileASilentOneIsGivenUpOnTheEvidence)
{
    // Waiting out the 30 s timeout would meet the stop after 4 s.
    g_stopAt = std::chrono::steady_clock::now() + std::chrono::seconds(4);
    win::WSASetBlockingHook(&StopWhenDue);
    const CTraceRun run("198.18.200.51", 30, 30000, 3, false);
    win::WSAUnhookBlockingHook();

    ASSERT_TRUE(run.m_bResult) << "last error " << run.m_lastError;
    ASSERT_EQ(run.m_hops.GetSize(), 4u);
    ExpectRoundTrips(run.m_hops[1], 400);
    EXPECT_EQ(run.m_lines[2], "3\t*\t*\t*\tFehler:\t\t11010");
    ExpectRoundTrips(run.m_hops[3], 3);
}

namespace {
// The nodes that answered the probes of one hop; the callbacks come hop after hop.
class CHopRoutersTracer : public CRouteTracer {
public:
    explicit CHopRoutersTracer(int hopNumber)
        : m_hopNumber(hopNumber)
    {
    }
    std::set<std::string> m_routers;
    int m_answered = 0;

protected:
    BOOL OnPingResult(int, PingReply& reply) override
    {
        if (m_finished + 1 == m_hopNumber) {
            m_routers.insert(DottedAddress(reply.Address));
            ++m_answered;
        }
        return TRUE;
    }
    BOOL OnSingleHostResult(int hopNumber, HopResult&) override
    {
        m_finished = hopNumber;
        return TRUE;
    }

private:
    int m_hopNumber;
    int m_finished = 0;
};
} // namespace

TEST_F(SimulatedPath, BalancedHopShowsOneRouterUnderBothSchedules)
{
    for (const auto schedule : {CRouteTracer::ESchedule::Parallel, CRouteTracer::ESchedule::Sequential}) {
        CHopRoutersTracer tracer(2);
        tracer.SetSchedule(schedule);
        CHopResultArray hops;
        ASSERT_TRUE(tracer.Trace("198.18.200.60", hops, 30, 1000, 10));
        ASSERT_EQ(hops.GetSize(), 3u);
        EXPECT_EQ(tracer.m_answered, 10);
        EXPECT_EQ(tracer.m_routers.size(), 1u) << "every probe of the trace keeps one flow";
    }
}

// Through the probe helper, which sends 256 probes a second after a burst of 128, the
// probes of the late hops go out half a second after the first ones: the router's 600 ms
// must count from their send. Runs in the raw kind, where the user nobody has only the helper.
TEST_F(SimulatedPath, HelperProbesWaitFromTheirSend)
{
    std::ostringstream range;
    range << std::ifstream("/proc/sys/net/ipv4/ping_group_range").rdbuf();
    if (::getuid() != 0 || range.str() != "1\t0\n")
        GTEST_SKIP() << "needs root with ping sockets closed (the raw kind)";
    ASSERT_EQ(std::system(QLAB_GRANT_PROBING " --check " QUORAIL_PROBE), 0);
    const auto result = CChildProcess::Run({"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups",
                                            "--inh-caps=-all", "--", QUORAIL_TRACE, "-n", "-q", "10",
                                            "198.18.200.80"});
    ASSERT_EQ(result.m_exitCode, 0) << result.m_err;
    EXPECT_NE(result.m_out.find("\n28\t6"), std::string::npos) << result.m_out;
    EXPECT_NE(result.m_out.find("[198.18.200.128]\n"), std::string::npos) << result.m_out;
}

// Some hundred rounds over seeded random loss and jitter: each hop's loss within four
// standard errors of the script's chance, its mean and spread near the uniform delay's,
// no answer earlier than the script allows, and the silent hop all loss.
TEST_F(SimulatedPath, WatchFindsLossAndJitterWithinSamplingError)
{
    static constexpr unsigned kRounds = 300;
    CPathWatch watch;
    CPathWatch::Options options;
    options.strHost = "198.18.200.70";
    options.dIntervalS = 0.01;
    options.nCycles = kRounds;
    options.nTimeoutMs = 500;
    options.bResolveNames = false;
    ASSERT_TRUE(watch.Start(options)) << watch.Snapshot().nError;
    ASSERT_TRUE(watch.WaitFinished(std::chrono::seconds(30)));
    const CWatchSnapshot snapshot = watch.Snapshot();
    EXPECT_EQ(snapshot.nError, 0u);
    ASSERT_EQ(snapshot.hops.size(), 4u);
    const auto expectLoss = [](const CHopStatistics& hop, double chance) {
        EXPECT_EQ(hop.Sent(), kRounds);
        const double standardError = 100.0 * std::sqrt(chance * (1 - chance) / kRounds);
        EXPECT_NEAR(hop.LossPercent(), 100.0 * chance, 4 * standardError + 0.1) << hop.Responder();
    };
    // rtt + U[0, jitter]: median rtt + jitter / 2, quartiles jitter / 2 apart; answers are a
    // little later than scripted (the simulator's and the kernel's own time). Quantiles of
    // the history, since a busy machine may delay an answer or two by far more; the running
    // mean and deviation must agree with the history's.
    const auto expectTimes = [&watch](unsigned hopNumber, const CHopStatistics& hop, double rttMs, double jitterMs) {
        std::vector<double> times;
        for (const CWatchSample& sample : watch.History(hopNumber)) {
            if (!sample.bLost)
                times.push_back(sample.dRttMs);
        }
        ASSERT_EQ(times.size(), hop.Received());
        double sum = 0, squares = 0;
        for (double ms : times)
            sum += ms;
        const double mean = sum / times.size();
        for (double ms : times)
            squares += (ms - mean) * (ms - mean);
        EXPECT_NEAR(hop.MeanMs(), mean, 1e-9);
        EXPECT_NEAR(hop.StdDevMs(), std::sqrt(squares / (times.size() - 1)), 1e-9);
        std::sort(times.begin(), times.end());
        const auto quantile = [&times](double q) { return times[static_cast<std::size_t>(q * (times.size() - 1))]; };
        EXPECT_NEAR(quantile(0.5), rttMs + jitterMs / 2 + 0.2, 0.5) << hop.Responder();
        EXPECT_NEAR(quantile(0.75) - quantile(0.25), jitterMs / 2, 0.2 * jitterMs + 0.2) << hop.Responder();
        EXPECT_GE(hop.BestMs(), rttMs) << hop.Responder();
    };
    EXPECT_EQ(snapshot.hops[0].LossPercent(), 0.0);
    expectLoss(snapshot.hops[1], 0.2);
    expectTimes(2, snapshot.hops[1], 3.0, 4.0);
    EXPECT_EQ(snapshot.hops[1].Responder(), "198.18.200.2");
    expectLoss(snapshot.hops[2], 1.0);
    EXPECT_FALSE(snapshot.hops[2].HasTimes());
    expectLoss(snapshot.hops[3], 0.1);
    expectTimes(4, snapshot.hops[3], 8.0, 2.0);
    EXPECT_EQ(snapshot.hops[3].Responder(), "198.18.200.70");
}

// Every round's probes keep one flow, so a hop balanced per flow shows one router.
TEST_F(SimulatedPath, WatchMeetsOneRouterOfABalancedHop)
{
    CPathWatch watch;
    CPathWatch::Options options;
    options.strHost = "198.18.200.60";
    options.dIntervalS = 0.01;
    options.nCycles = 30;
    options.nTimeoutMs = 500;
    options.bResolveNames = false;
    ASSERT_TRUE(watch.Start(options));
    ASSERT_TRUE(watch.WaitFinished(std::chrono::seconds(10)));
    const CWatchSnapshot snapshot = watch.Snapshot();
    ASSERT_EQ(snapshot.hops.size(), 3u);
    EXPECT_EQ(snapshot.hops[1].Received(), 30u);
    EXPECT_EQ(snapshot.hops[1].OtherResponders(), std::vector<std::string>{}) << snapshot.hops[1].Responder();
}

// Rounds 20 ms apart: round 3's answer comes after rounds 4 to 10 were answered, and counts
// for round 3 all the same.
TEST_F(SimulatedPath, WatchCountsALateAnswerForItsOwnRound)
{
    CPathWatch watch;
    CPathWatch::Options options;
    options.strHost = "198.18.200.71";
    options.nMaxHops = 2; // each round's probe is the target's next: round 3 meets its third
    options.dIntervalS = 0.02;
    options.nCycles = 10;
    options.nTimeoutMs = 1000;
    options.bResolveNames = false;
    ASSERT_TRUE(watch.Start(options));
    ASSERT_TRUE(watch.WaitFinished(std::chrono::seconds(10)));
    ASSERT_EQ(watch.Snapshot().hops.size(), 2u);
    EXPECT_EQ(watch.Snapshot().hops[1].LossPercent(), 0.0);
    const std::vector<CWatchSample> samples = watch.History(2);
    ASSERT_EQ(samples.size(), 10u);
    for (const CWatchSample& sample : samples) {
        EXPECT_FALSE(sample.bLost);
        if (sample.nRound == 3)
            EXPECT_GE(sample.dRttMs, 150.0);
        else
            EXPECT_LT(sample.dRttMs, 50.0) << "round " << sample.nRound;
    }
    EXPECT_EQ(samples.back().nRound, 3u) << "the late answer came last";
}
