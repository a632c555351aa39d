// The command line of quorail-trace: the usual forms of options, and that every range and
// form error ends in a usage error naming what is wrong instead of a trace with a
// wrapped-around number.

#include "TraceOptions.h"

#include <gtest/gtest.h>

namespace {

using EResult = CTraceOptions::EResult;

EResult Parse(std::vector<std::string> args, CTraceOptions& options)
{
    return options.Parse(args);
}

} // namespace

TEST(TraceOptions, DefaultsWaitFiveSecondsAndProbeSideBySide)
{
    CTraceOptions options;
    ASSERT_EQ(Parse({"198.18.4.2"}, options), EResult::Run);
    EXPECT_TRUE(options.m_bResolveNames);
    EXPECT_FALSE(options.m_bSequential);
    EXPECT_EQ(options.m_maxHops, 30);
    EXPECT_EQ(options.m_timeoutMs, 5000u);
    EXPECT_EQ(options.m_probesPerHop, 3u);
    EXPECT_EQ(options.m_host, "198.18.4.2");
}

TEST(TraceOptions, BundledAttachedAndTrailingOptionsAsTracerouteTakesThem)
{
    CTraceOptions options;
    ASSERT_EQ(Parse({"-nq1", "-m30", "host", "-w", "0.25", "--sequential"}, options), EResult::Run) << options.m_error;
    EXPECT_FALSE(options.m_bResolveNames);
    EXPECT_TRUE(options.m_bSequential);
    EXPECT_EQ(options.m_probesPerHop, 1u);
    EXPECT_EQ(options.m_maxHops, 30);
    EXPECT_EQ(options.m_timeoutMs, 250u);
    EXPECT_EQ(options.m_host, "host");

    CTraceOptions dashed;
    ASSERT_EQ(Parse({"-n", "--", "-odd"}, dashed), EResult::Run) << dashed.m_error;
    EXPECT_EQ(dashed.m_host, "-odd");
}

TEST(TraceOptions, AcceptsTheLimitsOfEveryRange)
{
    CTraceOptions highest;
    ASSERT_EQ(Parse({"-m", "255", "-w", "4294967.295", "-q", "1000", "host"}, highest), EResult::Run)
        << highest.m_error;
    EXPECT_EQ(highest.m_maxHops, 255);
    EXPECT_EQ(highest.m_timeoutMs, 4294967295u);
    EXPECT_EQ(highest.m_probesPerHop, 1000u);

    CTraceOptions lowest;
    ASSERT_EQ(Parse({"-m1", "-w.001", "-q1", "host"}, lowest), EResult::Run) << lowest.m_error;
    EXPECT_EQ(lowest.m_maxHops, 1);
    EXPECT_EQ(lowest.m_timeoutMs, 1u);
    EXPECT_EQ(lowest.m_probesPerHop, 1u);
}

TEST(TraceOptions, UsageErrorsNameWhatIsWrong)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"-m", "0", "host"}, "-m"},         {{"-m", "256", "host"}, "-m"},     {{"-q", "0", "host"}, "-q"},
        {{"-q", "1001", "host"}, "-q"},      {{"-m", "+5", "host"}, "-m"},      {{"-m", " 3", "host"}, "-m"},
        {{"-q", "99999999999999999999999", "host"}, "-q"},
        {{"-w", "0", "host"}, "-w"},         {{"-w", "0.0004", "host"}, "-w"},  {{"-w", "4294967.296", "host"}, "-w"},
        {{"-w", "1,5", "host"}, "-w"},       {{"-w", ".", "host"}, "-w"},       {{"-w", "-1", "host"}, "-w"},
        {{"-m"}, "-m"},                      {{"-nw"}, "-w"},                   {{"-x", "host"}, "-x"},
        {{"-nx", "host"}, "-x"},             {{"--verbose", "host"}, "--verbose"},
        {{}, "HOST fehlt"},                  {{"-n", "--"}, "HOST fehlt"},      {{"h1", "h2"}, "h2"},
    };
    for (const auto& [args, named] : cases) {
        CTraceOptions options;
        EXPECT_EQ(Parse(args, options), EResult::Usage) << testing::PrintToString(args);
        EXPECT_NE(options.m_error.find(named), std::string::npos) << options.m_error;
    }
}

TEST(TraceOptions, HelpAndVersionWinOverEverythingBeforeThem)
{
    for (const auto& args : std::vector<std::vector<std::string>>{{"--help"}, {"host", "-h"}, {"-nh"}}) {
        CTraceOptions options;
        EXPECT_EQ(Parse(args, options), EResult::Help) << testing::PrintToString(args);
    }
    for (const auto& args : std::vector<std::vector<std::string>>{{"--version", "host"}, {"-V"}, {"host", "-nV"}}) {
        CTraceOptions options;
        EXPECT_EQ(Parse(args, options), EResult::Version) << testing::PrintToString(args);
    }
}
