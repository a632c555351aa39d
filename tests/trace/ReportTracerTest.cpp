// Report lines: the three line forms, and when names are looked up.

#include "IsolatedNetwork.h"
#include "ReportTracer.h"
#include "ScriptedEcho.h"

#include <gtest/gtest.h>

namespace {

HopResult Answered(IPAddr address, DWORD minRtt, DWORD avgRtt, DWORD maxRtt)
{
    return HopResult{0, address, minRtt, avgRtt, maxRtt};
}

class ReportLineTest : public ::testing::Test {
protected:
    void TearDown() override { g_bResolveNames = FALSE; }
};

TEST_F(ReportLineTest, AnsweredHopWithoutLookupEndsAtTheBracket)
{
    g_bResolveNames = FALSE;
    EXPECT_EQ(CReportTracer::FormatHopLine(4, Answered(Ip(10, 0, 0, 1), 12, 15, 19)), "4\t12\t15\t19\t[10.0.0.1]");
    EXPECT_EQ(CReportTracer::FormatHopLine(1, Answered(Ip(127, 0, 0, 1), 0, 0, 0)), "1\t0\t0\t0\t[127.0.0.1]");
}

TEST_F(ReportLineTest, ErrorHopShowsCodeAndNeverAName)
{
    g_bResolveNames = TRUE;
    HopResult hop{IP_REQ_TIMED_OUT, Ip(127, 0, 0, 1), 0, 0, 0};
    EXPECT_EQ(CReportTracer::FormatHopLine(7, hop), "7\t*\t*\t*\tFehler:\t\t11010");
}

TEST_F(ReportLineTest, FoundNameFollowsAfterOneTab)
{
    g_bResolveNames = TRUE;
    EXPECT_EQ(CReportTracer::FormatHopLine(1, Answered(Ip(127, 0, 0, 1), 1, 2, 3)), "1\t1\t2\t3\t[127.0.0.1]\tlocalhost");
}

TEST_F(ReportLineTest, FailedLookupLeavesNoTrailingTab)
{
    const std::string outcome = RunInIsolatedNetwork([] {
        g_bResolveNames = TRUE;
        const std::string line = CReportTracer::FormatHopLine(2, Answered(Ip(198, 18, 77, 1), 3, 4, 5));
        return line == "2\t3\t4\t5\t[198.18.77.1]" ? std::string() : "got '" + line + "'";
    });
    if (outcome.rfind("skip:", 0) == 0)
        GTEST_SKIP() << outcome;
    EXPECT_EQ(outcome, "");
}

} // namespace
