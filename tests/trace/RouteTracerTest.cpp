// The engine against a scripted echo module: hop records, callback order, error codes.

#include "BlockingHook.h"
#include "LastError.h"
#include "RecordingTracer.h"
#include "ScriptedEcho.h"

#include <gtest/gtest.h>

namespace {

class RouteTracerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CScriptedEcho::Register(); }
    void SetUp() override
    {
        Echo().Reset();
        g_bResolveNames = FALSE;
    }
    static CScriptedEcho& Echo() { return CScriptedEcho::Instance(); }
    static CScriptedAnswer Answer(IPAddr address, DWORD rtt) { return {true, address, rtt, 0}; }
    static CScriptedAnswer Failure(DWORD error) { return {false, 0, 0, error}; }

    const IPAddr m_target = Ip(198, 18, 0, 9);
    CRecordingTracer m_tracer;
    CHopResultArray m_hops;
};

TEST_F(RouteTracerTest, ZeroHopLimitSendsNothing)
{
    EXPECT_TRUE(m_tracer.Trace("198.18.0.9", m_hops, 0, 1000, 3));
    EXPECT_TRUE(Echo().m_probes.empty());
    EXPECT_TRUE(m_tracer.m_events.empty());
    EXPECT_EQ(m_hops.GetSize(), 0u);
}

TEST_F(RouteTracerTest, TargetAtThirdHopEndsTraceWithItsRecords)
{
    Echo().m_byTtl[1] = Answer(Ip(198, 18, 1, 1), 5);
    Echo().m_byTtl[2] = Answer(Ip(198, 18, 2, 1), 7);
    Echo().m_byTtl[3] = Answer(m_target, 9);

    ASSERT_TRUE(m_tracer.Trace("198.18.0.9", m_hops, 30, 1234, 3));

    ASSERT_EQ(m_hops.GetSize(), 3u);
    EXPECT_EQ(m_hops[0].Address, Ip(198, 18, 1, 1));
    EXPECT_EQ(m_hops[2].Address, m_target);
    ASSERT_EQ(Echo().m_probes.size(), 9u);
    for (std::size_t i = 0; i < 9; ++i) {
        const CRecordedProbe& probe = Echo().m_probes[i];
        EXPECT_EQ(probe.m_ttl, i / 3 + 1);
        EXPECT_EQ(probe.m_destination, m_target);
        EXPECT_EQ(probe.m_timeoutMs, 1234u);
        EXPECT_EQ(probe.m_requestSize, 32u);
        EXPECT_EQ(probe.m_replySize, 60u);
        EXPECT_TRUE(probe.m_dataAllE);
    }
    const std::vector<std::string> order = {"P1@1", "P2@1", "P3@1", "H1", "P1@2", "P2@2",
                                            "P3@2", "H2", "P1@3", "P2@3", "P3@3", "H3"};
    EXPECT_EQ(m_tracer.m_events, order);
    EXPECT_EQ(Echo().m_openHandles, 0);
}

TEST_F(RouteTracerTest, SilentTargetFillsEveryHopUpToTheLimit)
{
    for (BYTE ttl = 1; ttl <= 5; ++ttl)
        Echo().m_byTtl[ttl] = Answer(Ip(198, 18, ttl, 1), 1);
    EXPECT_TRUE(m_tracer.Trace("198.18.0.9", m_hops, 5, 100, 3));
    EXPECT_EQ(m_hops.GetSize(), 5u);
    EXPECT_EQ(m_tracer.m_Lines.size(), 5u);
    EXPECT_EQ(m_tracer.m_Lines[4], "5\t1\t1\t1\t[198.18.5.1]");
}

TEST_F(RouteTracerTest, HopTimesAreMinTruncatedMeanAndMax)
{
    Echo().m_queue = {Answer(m_target, 10), Answer(m_target, 20), Answer(m_target, 31)};
    ASSERT_TRUE(m_tracer.Trace("198.18.0.9", m_hops, 30, 100, 3));
    ASSERT_EQ(m_hops.GetSize(), 1u);
    EXPECT_EQ(m_hops[0].MinRTT, 10u);
    EXPECT_EQ(m_hops[0].AvgRTT, 20u);
    EXPECT_EQ(m_hops[0].MaxRTT, 31u);
    EXPECT_EQ(m_hops[0].dwError, 0u);

    CHopResultArray second;
    Echo().m_queue = {Answer(m_target, 4), Answer(m_target, 0), Answer(m_target, 2)};
    ASSERT_TRUE(m_tracer.Trace("198.18.0.9", second, 30, 100, 3));
    EXPECT_EQ(second[0].MinRTT, 0u);
    EXPECT_EQ(second[0].AvgRTT, 2u);
    EXPECT_EQ(second[0].MaxRTT, 4u);
}

TEST_F(RouteTracerTest, FailedFirstProbeGivesErrorHopWithoutAddress)
{
    Echo().m_queue = {Failure(IP_REQ_TIMED_OUT)};
    Echo().m_byTtl[2] = Answer(m_target, 3);
    ASSERT_TRUE(m_tracer.Trace("198.18.0.9", m_hops, 30, 100, 3));

    ASSERT_EQ(m_hops.GetSize(), 2u);
    EXPECT_EQ(m_hops[0].dwError, IP_REQ_TIMED_OUT);
    EXPECT_EQ(m_hops[0].Address, 0u);
    EXPECT_EQ(m_hops[0].MinRTT + m_hops[0].AvgRTT + m_hops[0].MaxRTT, 0u);
    EXPECT_EQ(m_tracer.m_events.front(), "H1");
    EXPECT_EQ(m_tracer.m_Lines[0], "1\t*\t*\t*\tFehler:\t\t11010");
    EXPECT_EQ(Echo().m_probes.size(), 4u); // one for the silent hop, three for the target
}

TEST_F(RouteTracerTest, FailedSecondProbeKeepsFirstAddressAndStopsTheHop)
{
    const IPAddr router = Ip(198, 18, 1, 1);
    Echo().m_queue = {Answer(router, 8), Failure(IP_DEST_HOST_UNREACHABLE)};
    ASSERT_TRUE(m_tracer.Trace("198.18.0.9", m_hops, 1, 100, 3));

    ASSERT_EQ(m_hops.GetSize(), 1u);
    EXPECT_EQ(m_hops[0].dwError, IP_DEST_HOST_UNREACHABLE);
    EXPECT_EQ(m_hops[0].Address, router);
    EXPECT_EQ(m_hops[0].MinRTT + m_hops[0].AvgRTT + m_hops[0].MaxRTT, 0u);
    EXPECT_EQ(Echo().m_probes.size(), 2u);
    EXPECT_EQ(m_tracer.m_events, (std::vector<std::string>{"P1@1", "H1"}));
}

TEST_F(RouteTracerTest, TargetAnsweringBeforeALaterFailureStillEndsTheTrace)
{
    Echo().m_queue = {Answer(m_target, 8), Failure(IP_REQ_TIMED_OUT)};
    ASSERT_TRUE(m_tracer.Trace("198.18.0.9", m_hops, 30, 100, 3));
    EXPECT_EQ(m_hops.GetSize(), 1u);
    EXPECT_EQ(Echo().m_probes.size(), 2u);
}

TEST_F(RouteTracerTest, CancelledProbeCallbackFailsWithCancelledCode)
{
    Echo().m_byTtl[1] = Answer(Ip(198, 18, 1, 1), 1);
    m_tracer.m_cancelProbeAtTtl = 1;
    EXPECT_FALSE(m_tracer.Trace("198.18.0.9", m_hops, 30, 100, 3));
    EXPECT_EQ(win::GetLastError(), ERROR_CANCELLED);
    EXPECT_EQ(m_tracer.m_events, (std::vector<std::string>{"P1@1"}));
    EXPECT_EQ(m_hops.GetSize(), 0u);
    EXPECT_EQ(Echo().m_openHandles, 0);
}

TEST_F(RouteTracerTest, CancelledHopCallbackKeepsEarlierHopsOnly)
{
    for (BYTE ttl = 1; ttl <= 5; ++ttl)
        Echo().m_byTtl[ttl] = Answer(Ip(198, 18, ttl, 1), 1);
    m_tracer.m_cancelHop = 3;
    EXPECT_FALSE(m_tracer.Trace("198.18.0.9", m_hops, 30, 100, 1));
    EXPECT_EQ(win::GetLastError(), ERROR_CANCELLED);
    EXPECT_EQ(m_hops.GetSize(), 2u);
    EXPECT_EQ(m_tracer.m_Lines.size(), 2u);
}

void CancelFromHook()
{
    win::WSACancelBlockingCall();
}

// A stop from the blocking hook in the middle of the third hop's wait; the next trace
// starts afresh.
TEST_F(RouteTracerTest, CancelledBlockingCallEndsTheTraceKeepingFinishedHops)
{
    for (BYTE ttl = 1; ttl <= 5; ++ttl)
        Echo().m_byTtl[ttl] = Answer(Ip(198, 18, ttl, 1), 1);
    Echo().m_byTtl[3].m_delayMs = 30000;
    Echo().m_onSend = [](const CRecordedProbe& probe) {
        if (probe.m_ttl == 3)
            win::WSASetBlockingHook(&CancelFromHook);
    };
    EXPECT_FALSE(m_tracer.Trace("198.18.0.9", m_hops, 30, 30000, 3));
    win::WSAUnhookBlockingHook();
    EXPECT_EQ(win::GetLastError(), ERROR_CANCELLED);
    EXPECT_EQ(m_hops.GetSize(), 2u);
    EXPECT_EQ(m_tracer.m_Lines.size(), 2u);
    EXPECT_EQ(Echo().m_probes.size(), 7u);

    Echo().m_onSend = nullptr;
    EXPECT_TRUE(m_tracer.Trace("198.18.0.9", m_hops, 2, 100, 1));
}

TEST_F(RouteTracerTest, NoEchoHandleFailsWithItsCodeAndKeepsFinishedHops)
{
    Echo().m_byTtl[1] = Answer(Ip(198, 18, 1, 1), 1);
    EXPECT_TRUE(m_tracer.Trace("198.18.0.9", m_hops, 1, 100, 1));
    Echo().m_failCreate = true;
    EXPECT_FALSE(m_tracer.Trace("198.18.0.9", m_hops, 30, 100, 1));
    EXPECT_EQ(win::GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(m_hops.GetSize(), 1u);
}

TEST_F(RouteTracerTest, ProbeThatThrowsStillClosesItsHandle)
{
    Echo().m_throwOnSend = true;
    EXPECT_THROW(m_tracer.Trace("198.18.0.9", m_hops, 30, 100, 3), std::bad_alloc);
    EXPECT_EQ(Echo().m_openHandles, 0);
}

TEST_F(RouteTracerTest, HighestHopLimitEndsAfterTtl255)
{
    EXPECT_TRUE(m_tracer.Trace("198.18.0.9", m_hops, 255, 1, 1));
    ASSERT_EQ(m_hops.GetSize(), 255u);
    EXPECT_EQ(Echo().m_probes.back().m_ttl, 255);
    EXPECT_EQ(m_tracer.m_Lines.back(), "255\t*\t*\t*\tFehler:\t\t11010");
}

TEST_F(RouteTracerTest, HostsResolveFromDottedFormsAndTheHostsFile)
{
    Echo().m_byTtl[1] = Answer(Ip(127, 0, 0, 1), 0);
    EXPECT_TRUE(m_tracer.Trace("127.1", m_hops, 30, 100, 1));
    EXPECT_EQ(Echo().m_probes.back().m_destination, Ip(127, 0, 0, 1));
    EXPECT_TRUE(m_tracer.Trace("localhost", m_hops, 30, 100, 1));
    EXPECT_EQ(Echo().m_probes.back().m_destination, Ip(127, 0, 0, 1));
}

// All bits set reads as "no address" and goes to the resolver, which knows it as a number;
// it is refused then as a group address is.
TEST_F(RouteTracerTest, BroadcastMulticastAndZeroTargetsAreRefusedWithoutAProbe)
{
    for (const char* host : {"255.255.255.255", "224.0.0.1", "239.1.2.3", "240.0.0.1", "0.0.0.0"}) {
        EXPECT_FALSE(m_tracer.Trace(host, m_hops, 30, 100, 1)) << host;
        EXPECT_EQ(win::GetLastError(), IP_BAD_DESTINATION) << host;
    }
    EXPECT_TRUE(Echo().m_probes.empty());
    EXPECT_EQ(m_hops.GetSize(), 0u);
}

// A router's destination-unreachable answer ends the route at its hop, its record kept;
// a first hop that cannot even be sent for want of a route fails the trace at once.
TEST_F(RouteTracerTest, UnreachableAnswerEndsTheRouteAndNoRouteFailsAtOnce)
{
    const IPAddr router = Ip(198, 18, 2, 1);
    Echo().m_byTtl[1] = Answer(Ip(198, 18, 1, 1), 1);
    for (BYTE ttl = 2; ttl <= 30; ++ttl)
        Echo().m_byTtl[ttl] = {true, router, 2, 0, 0, IP_DEST_HOST_UNREACHABLE};
    ASSERT_TRUE(m_tracer.Trace("198.18.0.9", m_hops, 30, 100, 3));
    ASSERT_EQ(m_hops.GetSize(), 2u);
    EXPECT_EQ(m_hops[1].Address, router);
    EXPECT_EQ(m_hops[1].dwError, 0u);
    EXPECT_EQ(m_tracer.GetUnreachableStatus(), IP_DEST_HOST_UNREACHABLE);
    EXPECT_EQ(Echo().m_probes.size(), 6u);

    Echo().m_byTtl.clear();
    Echo().m_byTtl[1] = Answer(Ip(198, 18, 1, 1), 1);
    ASSERT_TRUE(m_tracer.Trace("198.18.0.9", m_hops, 2, 100, 1));
    EXPECT_EQ(m_tracer.GetUnreachableStatus(), 0u);

    for (const auto& [status, failure] : {std::pair{IP_DEST_NET_UNREACHABLE, WSAENETUNREACH},
                                          std::pair{IP_DEST_HOST_UNREACHABLE, WSAEHOSTUNREACH}}) {
        Echo().Reset();
        for (int ttl = 1; ttl <= 255; ++ttl)
            Echo().m_byTtl[static_cast<BYTE>(ttl)] = Failure(status);
        CHopResultArray hops;
        EXPECT_FALSE(m_tracer.Trace("198.18.0.9", hops, 255, 100, 3));
        EXPECT_EQ(win::GetLastError(), failure);
        EXPECT_EQ(hops.GetSize(), 0u);
        EXPECT_EQ(Echo().m_probes.size(), 1u);
    }
}

TEST_F(RouteTracerTest, ZeroProbesPerHopIsRefused)
{
    EXPECT_FALSE(m_tracer.Trace("198.18.0.9", m_hops, 30, 100, 0));
    EXPECT_EQ(win::GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(Echo().m_probes.empty());
}

} // namespace

TEST(RouteTracerSchedule, OnlyTheExactProfileValueChoosesTheSequentialSchedule)
{
    EXPECT_EQ(CRouteTracer::ScheduleFromText("sequential"), CRouteTracer::ESchedule::Sequential);
    for (const char* other : {"", "parallel", "Sequential", "sequential ", "0"})
        EXPECT_EQ(CRouteTracer::ScheduleFromText(other), CRouteTracer::ESchedule::Parallel) << other;
}
