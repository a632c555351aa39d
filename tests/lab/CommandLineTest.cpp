// quorail-trace as a user runs it, inside the test network: its exit codes, its hop
// lines on standard output and its error line on standard error.

#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

namespace {

CChildProcess::Result RunTracer(std::vector<std::string> args)
{
    args.insert(args.begin(), QUORAIL_TRACE);
    return CChildProcess::Run(args);
}

} // namespace

TEST(CommandLine, FinishedTraceExitsZeroWithOneLinePerHop)
{
    const auto result = RunTracer({"dst.lab.quorail.test", "-w0.2"});
    EXPECT_EQ(result.m_exitCode, 0) << result.m_err;
    EXPECT_EQ(std::count(result.m_out.begin(), result.m_out.end(), '\n'), 4) << result.m_out;
    EXPECT_NE(result.m_out.find("2\t*\t*\t*\tFehler:\t\t11010\n"), std::string::npos) << result.m_out;
    EXPECT_NE(result.m_out.find("[198.18.4.2]\tdst.lab.quorail.test\n"), std::string::npos) << result.m_out;
    EXPECT_EQ(result.m_err, "quorail-trace zu dst.lab.quorail.test (198.18.4.2), 30 Hops max.\n");
}

TEST(CommandLine, NoNamesOptionLeavesTheNameColumnOut)
{
    const auto result = RunTracer({"-nq1", "-w", "0.2", "-m1", "198.18.4.2"});
    EXPECT_EQ(result.m_exitCode, 0) << result.m_err;
    EXPECT_NE(result.m_out.find("[198.18.1.2]\n"), std::string::npos) << result.m_out;
}

TEST(CommandLine, FailedTraceExitsOneWithTheCodeAndItsReasonOnStandardError)
{
    const auto result = RunTracer({"-w", "0.2", "nowhere.lab.quorail.test"});
    EXPECT_EQ(result.m_exitCode, 1);
    EXPECT_EQ(result.m_err, "Fehler bei Quorail Nr.: 11001\nquorail-trace: Host nicht gefunden\n");
    EXPECT_EQ(result.m_out, "");
}

// r3 answers unreachable for the hops from 3 on: the listing ends there, the reason on
// standard error. With no route at all (a network namespace without one) the trace fails
// at once.
TEST(CommandLine, UnreachableRouteEndsAtItsAnswerAndNoRouteExitsOne)
{
    const auto result = RunTracer({"-nq1", "-w0.2", "-m4", "198.18.10.5"});
    EXPECT_EQ(result.m_exitCode, 0) << result.m_err;
    EXPECT_EQ(std::count(result.m_out.begin(), result.m_out.end(), '\n'), 3) << result.m_out;
    EXPECT_TRUE(result.m_out.ends_with("\t[198.18.3.2]\n")) << result.m_out;
    EXPECT_TRUE(result.m_err.ends_with("quorail-trace: Ende der Route: 198.18.3.2 meldet Host nicht erreichbar (!H)\n"))
        << result.m_err;

    if (::geteuid() != 0)
        GTEST_SKIP() << "a network namespace without routes needs root";
    // Ping sockets there, since the datagram run leaves no other way to probe.
    const auto noRoute = CChildProcess::Run(
        {"/usr/bin/env", "LC_ALL=C.UTF-8", "unshare", "--net", "--", "sh", "-c",
         "sysctl -qw net.ipv4.ping_group_range='0 2147483647' && exec \"$0\" \"$@\"", QUORAIL_TRACE, "-n",
         "198.18.4.2"});
    EXPECT_EQ(noRoute.m_exitCode, 1) << noRoute.m_err;
    EXPECT_EQ(noRoute.m_out, "");
    EXPECT_TRUE(noRoute.m_err.ends_with("Fehler bei Quorail Nr.: 10051\nquorail-trace: Netz nicht erreichbar: dieser "
                                        "Rechner hat keine Route zu der Adresse\n"))
        << noRoute.m_err;
}

TEST(CommandLine, WrongUsageExitsTwoAndHelpExitsZero)
{
    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"-m", "0", "198.18.4.2"}, {"-q"}, {"-x", "198.18.4.2"}, {"198.18.4.2", "198.18.1.2"}}) {
        const auto result = RunTracer(args);
        EXPECT_EQ(result.m_exitCode, 2) << testing::PrintToString(args);
        EXPECT_NE(result.m_err.find("Aufruf: quorail-trace"), std::string::npos);
        EXPECT_EQ(result.m_out, "");
    }
    const auto help = RunTracer({"--help"});
    EXPECT_EQ(help.m_exitCode, 0);
    EXPECT_EQ(help.m_out.rfind("Aufruf: quorail-trace", 0), 0u) << help.m_out;
    const auto version = RunTracer({"-V"});
    EXPECT_EQ(version.m_exitCode, 0);
    EXPECT_EQ(version.m_out.rfind("quorail-trace ", 0), 0u) << version.m_out;
}

// IPv6 as a user types it: a dual-stack name goes the system's preferred way (IPv6 in the
// lab) unless -4 says otherwise, a literal in brackets, and an IPv6 network this machine
// has no route to ends at once with the reason in words.
TEST(CommandLine, Ipv6NamesLiteralsAndFamilies)
{
    auto result = RunTracer({"-q1", "-w0.2", "dual.lab.quorail.test"});
    EXPECT_EQ(result.m_exitCode, 0) << result.m_err;
    EXPECT_EQ(result.m_err, "quorail-trace zu dual.lab.quorail.test (2001:2:0:4::2), 30 Hops max.\n");
    EXPECT_NE(result.m_out.find("1\t0\t0\t0\t[2001:2:0:1::2]\tr1.v6.lab.quorail.test\n"), std::string::npos)
        << result.m_out;
    result = RunTracer({"-4", "-q1", "-w0.2", "dual.lab.quorail.test"});
    EXPECT_EQ(result.m_exitCode, 0) << result.m_err;
    EXPECT_NE(result.m_out.find("[198.18.4.2]\tdst.lab.quorail.test\n"), std::string::npos) << result.m_out;
    result = RunTracer({"-nq1", "-w0.2", "[2001:2:0:4::2]"});
    EXPECT_EQ(result.m_exitCode, 0) << result.m_err;
    EXPECT_NE(result.m_out.find("4\t0\t0\t0\t[2001:2:0:4::2]\n"), std::string::npos) << result.m_out;
    result = RunTracer({"-6", "dst.lab.quorail.test"});
    EXPECT_EQ(result.m_exitCode, 1);
    EXPECT_EQ(result.m_err.substr(0, 30), "Fehler bei Quorail Nr.: 11001\n") << result.m_err;
    result = RunTracer({"-n", "2001:2:ffff::1"});
    EXPECT_EQ(result.m_exitCode, 1);
    EXPECT_EQ(result.m_err, "Fehler bei Quorail Nr.: 10051\n"
                            "quorail-trace: Netz nicht erreichbar: dieser Rechner hat keine Route zu der Adresse\n");
    EXPECT_EQ(result.m_out, "");
}

// The report's rounds as CSV; a target that nothing answers for gives every hop as 100 % loss.
TEST(CommandLine, ReportWritesOneCsvRowPerHopAndSilenceIsLoss)
{
    const auto result = RunTracer({"-r", "-c", "3", "--interval", "0.05", "-w", "0.2", "--csv", "-n", "-m", "3",
                                   "198.18.200.99"});
    EXPECT_EQ(result.m_exitCode, 0) << result.m_err;
    EXPECT_EQ(result.m_out, "hop,address,name,sent,received,loss_pct,last_ms,avg_ms,best_ms,worst_ms,stdev_ms\r\n"
                            "1,,,3,0,100.0,,,,,\r\n"
                            "2,,,3,0,100.0,,,,,\r\n"
                            "3,,,3,0,100.0,,,,,\r\n");
}

// The one-shot trace as JSON: each hop's status as a number and in words.
TEST(CommandLine, TraceAsJsonCarriesEachStatusInNumberAndWords)
{
    const auto result = RunTracer({"--json", "-n", "-w0.2", "dst.lab.quorail.test"});
    EXPECT_EQ(result.m_exitCode, 0) << result.m_err;
    EXPECT_NE(result.m_out.find(R"("address": "198.18.4.2",
  "status": 0,
  "status_text": "fertig",)"), std::string::npos) << result.m_out;
    EXPECT_NE(result.m_out.find(R"("hop": 2,
      "address": null,
      "name": null,
      "status": 11010,
      "status_text": "keine Antwort in der Wartezeit",
      "best_ms": null,)"), std::string::npos) << result.m_out;
    EXPECT_NE(result.m_out.find(R"("hop": 4,
      "address": "198.18.4.2",)"), std::string::npos) << result.m_out;
}

// The report over IPv6: the family that the name's addresses and -6 choose, names from ip6.arpa.
TEST(CommandLine, ReportWatchesAnIpv6Path)
{
    const auto result = RunTracer({"-6", "-r", "-c", "3", "--interval", "0.05", "-w", "0.3", "--csv",
                                   "dual.lab.quorail.test"});
    EXPECT_EQ(result.m_exitCode, 0) << result.m_err;
    EXPECT_NE(result.m_out.find("\r\n1,2001:2:0:1::2,r1.v6.lab.quorail.test,3,3,0.0,"), std::string::npos) << result.m_out;
    EXPECT_NE(result.m_out.find("\r\n2,,,3,0,100.0,,,,,\r\n"), std::string::npos) << result.m_out;
    EXPECT_NE(result.m_out.find("\r\n4,2001:2:0:4::2,dst6.lab.quorail.test,3,3,0.0,"), std::string::npos) << result.m_out;
    EXPECT_EQ(std::count(result.m_out.begin(), result.m_out.end(), '\n'), 5) << result.m_out;
}
