// The command line of quorail-trace: what it accepts, and that every range and form
// error ends in a usage error instead of a trace with a wrapped-around number.

#include "TraceOptions.h"

#include <gtest/gtest.h>

namespace {

using EResult = CTraceOptions::EResult;

EResult Parse(std::vector<std::string> args, CTraceOptions& options)
{
    return options.Parse(args);
}

} // namespace

TEST(TraceOptions, DefaultsAreThoseOfTheDesktopTrace)
{
    CTraceOptions options;
    ASSERT_EQ(Parse({"198.18.4.2"}, options), EResult::Run);
    EXPECT_TRUE(options.m_bResolveNames);
    EXPECT_EQ(options.m_maxHops, 30);
    EXPECT_EQ(options.m_timeoutMs, 30000u);
    EXPECT_EQ(options.m_probesPerHop, 3u);
    EXPECT_EQ(options.m_host, "198.18.4.2");
}

TEST(TraceOptions, AcceptsTheLimitsOfEveryRange)
{
    CTraceOptions highest;
    ASSERT_EQ(Parse({"-n", "-m", "255", "-w", "4294967295", "-q", "1000", "host"}, highest), EResult::Run)
        << highest.m_error;
    EXPECT_FALSE(highest.m_bResolveNames);
    EXPECT_EQ(highest.m_maxHops, 255);
    EXPECT_EQ(highest.m_timeoutMs, 4294967295u);
    EXPECT_EQ(highest.m_probesPerHop, 1000u);

    CTraceOptions lowest;
    ASSERT_EQ(Parse({"-m", "1", "-w", "1", "-q", "1", "host"}, lowest), EResult::Run) << lowest.m_error;
    EXPECT_EQ(lowest.m_maxHops, 1);
    EXPECT_EQ(lowest.m_timeoutMs, 1u);
    EXPECT_EQ(lowest.m_probesPerHop, 1u);
}

TEST(TraceOptions, RejectsNumbersOutOfRangeOrMalformed)
{
    const std::vector<std::vector<std::string>> cases = {
        {"-m", "0", "host"},   {"-m", "256", "host"}, {"-q", "0", "host"},     {"-q", "1001", "host"},
        {"-w", "0", "host"},   {"-w", "4294967296", "host"}, {"-m", "-1", "host"}, {"-m", "+5", "host"},
        {"-m", "", "host"},    {"-m", "3x", "host"},  {"-m", " 3", "host"},    {"-q", "99999999999999999999999", "host"},
        {"-m"},                {"-w"},                {"-q"},
    };
    for (const auto& args : cases) {
        CTraceOptions options;
        EXPECT_EQ(Parse(args, options), EResult::Usage) << testing::PrintToString(args);
        EXPECT_FALSE(options.m_error.empty()) << testing::PrintToString(args);
    }
}

TEST(TraceOptions, UnknownOptionsAndMissingOrExtraHostsAreUsageErrors)
{
    for (const std::string option : {"-x", "--verbose", "-nm"}) {
        CTraceOptions options;
        EXPECT_EQ(Parse({option, "host"}, options), EResult::Usage) << option;
        EXPECT_NE(options.m_error.find(option), std::string::npos) << options.m_error;
    }
    for (const auto& args : std::vector<std::vector<std::string>>{{}, {"-n"}, {"-m", "5"}, {"--"}}) {
        CTraceOptions options;
        EXPECT_EQ(Parse(args, options), EResult::Usage) << testing::PrintToString(args);
        EXPECT_EQ(options.m_error, "HOST fehlt") << testing::PrintToString(args);
    }
    CTraceOptions two;
    EXPECT_EQ(Parse({"198.18.4.2", "198.18.1.2"}, two), EResult::Usage);
}

TEST(TraceOptions, HelpWinsAndDoubleDashAllowsAHostWithALeadingDash)
{
    for (const auto& args : std::vector<std::vector<std::string>>{{"--help"}, {"--help", "host"}, {"-n", "-h", "-x"}}) {
        CTraceOptions options;
        EXPECT_EQ(Parse(args, options), EResult::Help) << testing::PrintToString(args);
    }
    CTraceOptions dashed;
    ASSERT_EQ(Parse({"-n", "--", "-odd"}, dashed), EResult::Run) << dashed.m_error;
    EXPECT_EQ(dashed.m_host, "-odd");
}
