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

// Families and IPv6 literals: a forced family that the literal contradicts, a malformed
// literal and a link-local address without its interface are usage errors that say so.
TEST(TraceOptions, FamiliesAndIpv6LiteralsAreCheckedBeforeAnyTrace)
{
    CTraceOptions v6;
    ASSERT_EQ(Parse({"-6n", "[2001:2::1]"}, v6), EResult::Run) << v6.m_error;
    EXPECT_EQ(v6.m_family, CRouteTracer::EFamily::V6);
    EXPECT_FALSE(v6.m_bResolveNames);
    CTraceOptions v4;
    ASSERT_EQ(Parse({"dual.example", "-4"}, v4), EResult::Run) << v4.m_error;
    EXPECT_EQ(v4.m_family, CRouteTracer::EFamily::V4);
    CTraceOptions zoned;
    EXPECT_EQ(Parse({"fe80::1%lo"}, zoned), EResult::Run) << zoned.m_error;
    const std::pair<std::vector<std::string>, std::string> wrong[] = {
        {{"-4", "2001:2::1"}, "-4 passt nicht zur Adresse 2001:2::1"},
        {{"-6", "198.18.4.2"}, "-6 passt nicht zur Adresse 198.18.4.2"},
        {{"-4", "-6", "host"}, "-4 und -6 schliessen einander aus"},
        {{"2001:2::zz"}, "keine gueltige IPv6-Adresse: 2001:2::zz"},
        {{"[198.18.4.2]"}, "keine gueltige IPv6-Adresse: [198.18.4.2]"},
        {{"fe80::1"}, "link-lokale Adresse ohne Zone (etwa fe80::1%eth0): fe80::1"},
        {{"fe80::1%no-such-interface"}, "keine gueltige IPv6-Adresse: fe80::1%no-such-interface"},
    };
    for (const auto& [args, error] : wrong) {
        CTraceOptions options;
        EXPECT_EQ(Parse(args, options), EResult::Usage) << error;
        EXPECT_EQ(options.m_error, error);
    }
}

TEST(TraceOptions, ReportTakesCyclesIntervalAndFormatAndRefusesWhatCannotRun)
{
    CTraceOptions defaults;
    ASSERT_EQ(Parse({"--report", "host"}, defaults), EResult::Run) << defaults.m_error;
    EXPECT_EQ(defaults.m_cycles, 10u);
    EXPECT_EQ(defaults.m_intervalS, 1.0);
    EXPECT_EQ(defaults.m_timeoutMs, CTraceOptions::kReportTimeoutMs);
    EXPECT_EQ(defaults.m_format, CTraceOptions::EFormat::Lines);

    CTraceOptions given;
    ASSERT_EQ(Parse({"-rnc5", "host", "--interval=0.002", "--json", "-w1"}, given), EResult::Run) << given.m_error;
    EXPECT_TRUE(given.m_bReport);
    EXPECT_EQ(given.m_cycles, 5u);
    EXPECT_EQ(given.m_intervalS, 0.002);
    EXPECT_EQ(given.m_timeoutMs, 1000u);
    EXPECT_EQ(given.m_format, CTraceOptions::EFormat::Json);

    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"-r", "--cycles", "0", "host"}, "--cycles: 1 bis 4294967295 Runden erwartet, nicht \"0\""},
        {{"-r", "--interval", "0.001", "host"}, "--interval: Sekunden von 0.002 bis 86400 erwartet, nicht \"0.001\""},
        {{"-r", "--interval", "1e-3", "host"}, "--interval: Sekunden von 0.002 bis 86400 erwartet, nicht \"1e-3\""},
        {{"-r", "--json", "--csv", "host"}, "nur eines von --json und --csv"},
        {{"-c", "3", "host"}, "--cycles und --interval geh\xF6ren zu --report"},
        {{"-r", "--interval"}, "--interval braucht einen Wert"},
    };
    for (const auto& [args, error] : refused) {
        CTraceOptions options;
        EXPECT_EQ(Parse(args, options), EResult::Usage) << testing::PrintToString(args);
        EXPECT_EQ(options.m_error, error);
    }
}
