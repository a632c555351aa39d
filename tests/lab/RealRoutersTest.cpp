// Traces across the namespace routers of tools/lab/lab.sh: r1 answers, r2 stays silent,
// r3 forwards to dst, answers unreachable for 198.18.10.0/24 and drops 198.18.12.0/24;
// the same over IPv6 in 2001:2::/48.

#include "DirectEcho.h"
#include "TraceRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

constexpr DWORD kTimeoutMs = 250;

std::vector<std::string> HopAddresses(const CTraceRun& run)
{
    std::vector<std::string> addresses;
    for (std::size_t i = 0; i < run.m_hops.GetSize(); ++i)
        addresses.push_back(DottedAddress(run.m_hops[i].Address));
    return addresses;
}

} // namespace

// One family's lab: the target's name, the hops' addresses and the routers' names.
struct CLabFamily {
    const char* m_target;
    std::vector<std::string> m_hops;
    const char* m_names[4];
};

class RealRoutersByFamily : public testing::TestWithParam<CLabFamily> {};

INSTANTIATE_TEST_SUITE_P(
    Families, RealRoutersByFamily,
    testing::Values(CLabFamily{"dst.lab.quorail.test",
                               {"198.18.1.2", "0.0.0.0", "198.18.3.2", "198.18.4.2"},
                               {"r1.lab.quorail.test", nullptr, "r3.lab.quorail.test", "dst.lab.quorail.test"}},
                    CLabFamily{"dst6.lab.quorail.test",
                               {"2001:2:0:1::2", "0.0.0.0", "2001:2:0:3::2", "2001:2:0:4::2"},
                               {"r1.v6.lab.quorail.test", nullptr, "r3.v6.lab.quorail.test", "dst6.lab.quorail.test"}}),
    [](const testing::TestParamInfo<CLabFamily>& info) { return info.index == 0 ? "IPv4" : "IPv6"; });

TEST_P(RealRoutersByFamily, TraceByNameReachesTargetWithNamesAndSilentHop)
{
    const CTraceRun run(GetParam().m_target, 30, kTimeoutMs, 3, true);
    ASSERT_TRUE(run.m_bResult) << "last error " << run.m_lastError;
    EXPECT_EQ(HopAddresses(run), GetParam().m_hops);
    ASSERT_EQ(run.m_lines.size(), 4u);
    EXPECT_EQ(run.m_hops[1].dwError, IP_REQ_TIMED_OUT);
    EXPECT_EQ(run.m_lines[1], "2\t*\t*\t*\tFehler:\t\t11010");
    const char* const* names = GetParam().m_names;
    for (std::size_t i : {0u, 2u, 3u}) {
        const std::string& line = run.m_lines[i];
        EXPECT_EQ(line.rfind(std::to_string(i + 1) + "\t", 0), 0u) << line;
        const std::string tail = "[" + DottedAddress(run.m_hops[i].Address) + "]\t" + names[i];
        EXPECT_EQ(line.substr(line.size() - std::min(line.size(), tail.size())), tail) << line;
        EXPECT_EQ(run.m_hops[i].dwError, 0u);
        EXPECT_LE(run.m_hops[i].MaxRTT, 50u) << "veth round trips take well under a millisecond";
    }
}

TEST(RealRouters, WithoutNamesLinesEndAtTheBracket)
{
    const CTraceRun run("198.18.4.2", 30, kTimeoutMs, 1, false);
    ASSERT_TRUE(run.m_bResult);
    ASSERT_EQ(run.m_lines.size(), 4u);
    EXPECT_EQ(run.m_lines[3].substr(run.m_lines[3].size() - 13), "\t[198.18.4.2]") << run.m_lines[3];
}

TEST(RealRouters, UnreachableRouteEndsInDestinationUnreachable)
{
    const DirectEcho echo = SendDirectEcho(LabAddress("198.18.10.5"), 64, kTimeoutMs);
    ASSERT_EQ(echo.m_count, 1u) << "last error " << echo.m_lastError;
    EXPECT_EQ(DottedAddress(echo.m_record.Address), "198.18.3.2");
    EXPECT_EQ(echo.m_record.Status, IP_DEST_HOST_UNREACHABLE);

    // r3 answers the probe of hop 3 in the target's place; the target never answers.
    const CTraceRun run("198.18.10.5", 3, kTimeoutMs, 1, false);
    ASSERT_TRUE(run.m_bResult);
    EXPECT_EQ(HopAddresses(run), (std::vector<std::string>{"198.18.1.2", "0.0.0.0", "198.18.3.2"}));
    EXPECT_EQ(run.m_hops[2].dwError, 0u);
}

// The IPv6 echo call reports what the IPv4 one would: hop limit exceeded (11013) from the
// first router, no route (11002) from r3's unreachable route, nothing from its blackhole.
TEST(RealRouters, Ipv6AnswersCarryTheStatusesOfTheIpv4Path)
{
    const auto address = [](const char* text) { return *win::CIpAddress::Parse(text); };
    DirectEcho echo = SendDirectEcho6(address("2001:2:0:4::2"), 1, kTimeoutMs);
    ASSERT_EQ(echo.m_count, 1u) << "last error " << echo.m_lastError;
    EXPECT_EQ(RecordAddress(echo.m_record6).Text(), "2001:2:0:1::2");
    EXPECT_EQ(echo.m_record6.Status, IP_HOP_LIMIT_EXCEEDED);
    echo = SendDirectEcho6(address("2001:2:0:10::5"), 64, kTimeoutMs);
    ASSERT_EQ(echo.m_count, 1u) << "last error " << echo.m_lastError;
    EXPECT_EQ(RecordAddress(echo.m_record6).Text(), "2001:2:0:3::2");
    EXPECT_EQ(echo.m_record6.Status, IP_DEST_NO_ROUTE);
    echo = SendDirectEcho6(address("2001:2:0:12::7"), 64, 200);
    EXPECT_EQ(echo.m_count, 0u);
    EXPECT_EQ(echo.m_lastError, IP_REQ_TIMED_OUT);
    echo = SendDirectEcho6(address("2001:2:0:4::2"), 64, kTimeoutMs);
    ASSERT_EQ(echo.m_count, 1u) << "last error " << echo.m_lastError;
    EXPECT_EQ(echo.m_record6.Status, IP_SUCCESS);
}

TEST(RealRouters, BlackholedAddressTimesOutAfterTheTimeout)
{
    const DirectEcho echo = SendDirectEcho(LabAddress("198.18.12.7"), 64, 200);
    EXPECT_EQ(echo.m_count, 0u);
    EXPECT_EQ(echo.m_lastError, IP_REQ_TIMED_OUT);
    EXPECT_GE(echo.m_elapsedMs, 199.0);
    EXPECT_LT(echo.m_elapsedMs, 300.0);

    const CTraceRun run("198.18.12.7", 4, 150, 3, true);
    ASSERT_TRUE(run.m_bResult);
    EXPECT_EQ(HopAddresses(run), (std::vector<std::string>{"198.18.1.2", "0.0.0.0", "0.0.0.0", "0.0.0.0"}));
    EXPECT_EQ(run.m_lines[3], "4\t*\t*\t*\tFehler:\t\t11010");
}

TEST(Loopback, ReachedAtHopOne)
{
    const CTraceRun run("127.0.0.1", 30, kTimeoutMs, 3, true);
    ASSERT_TRUE(run.m_bResult) << "last error " << run.m_lastError;
    ASSERT_EQ(run.m_hops.GetSize(), 1u);
    EXPECT_EQ(DottedAddress(run.m_hops[0].Address), "127.0.0.1");
    EXPECT_EQ(run.m_hops[0].dwError, 0u);
    EXPECT_LE(run.m_hops[0].MaxRTT, 2u);
    ASSERT_EQ(run.m_lines.size(), 1u);
    EXPECT_EQ(run.m_lines[0].substr(0, 2), "1\t");
    const std::string tail = "\t[127.0.0.1]\tlocalhost";
    EXPECT_EQ(run.m_lines[0].substr(run.m_lines[0].size() - tail.size()), tail);
}

// With Linux's own ICMP limits (QLAB_ICMP_LIMITS=default, test lab.limits) r1 and r3 answer
// time-exceeded once a second after a burst of six, less than three probes a trace take
// back to back; each trace still shows both.
TEST(RateLimitedRouters, BackToBackTracesShowEveryRouter)
{
    const char* limits = std::getenv("QLAB_ICMP_LIMITS");
    if (limits == nullptr || std::string(limits) != "default")
        GTEST_SKIP() << "runs with the routers' default ICMP limits (test lab.limits)";
    for (int trace = 1; trace <= 10; ++trace) {
        const CTraceRun run("198.18.4.2", 30, 5000, 3, false);
        ASSERT_TRUE(run.m_bResult) << "trace " << trace << ": last error " << run.m_lastError;
        ASSERT_EQ(HopAddresses(run), (std::vector<std::string>{"198.18.1.2", "0.0.0.0", "198.18.3.2", "198.18.4.2"}))
            << "trace " << trace;
        EXPECT_EQ(run.m_hops[0].dwError, 0u) << "trace " << trace;
        EXPECT_EQ(run.m_hops[2].dwError, 0u) << "trace " << trace;
    }
}
