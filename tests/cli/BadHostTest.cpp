// Host texts that are neither an address nor a known name, through the whole engine. Run
// inside the test network's source namespace, whose resolver knows only its hosts file,
// so that no lookup can leave the machine. Each must fail the trace with a resolver code
// and send nothing.

#include "LastError.h"
#include "ReportTracer.h"

#include <gtest/gtest.h>

namespace {

struct Outcome {
    BOOL m_bResult;
    DWORD m_lastError;
    std::size_t m_hops;
    std::size_t m_lines;
};

Outcome TraceHost(const std::string& host)
{
    g_bResolveNames = TRUE;
    CReportTracer tracer;
    CHopResultArray hops;
    win::SetLastError(0);
    const BOOL result = tracer.Trace(host, hops, 30, 200, 3);
    return {result, win::GetLastError(), hops.GetSize(), tracer.m_Lines.size()};
}

} // namespace

TEST(BadHost, EveryMalformedHostFailsWithAResolverCode)
{
    const std::vector<std::string> hosts = {
        "",
        std::string(100000, 'a'),
        "\xE4\xF6\xFC\xDF.lab.quorail.test",
        "\x80\xFF",
        "a b",
        "999.1.1.1",
        "198.18.4.2.",
        "nowhere.lab.quorail.test",
    };
    for (const std::string& host : hosts) {
        const Outcome outcome = TraceHost(host);
        const std::string shown = host.substr(0, 40);
        EXPECT_FALSE(outcome.m_bResult) << shown;
        EXPECT_GE(outcome.m_lastError, WSAHOST_NOT_FOUND) << shown;
        EXPECT_LE(outcome.m_lastError, WSANO_DATA) << shown;
        EXPECT_EQ(outcome.m_hops, 0u) << shown;
        EXPECT_EQ(outcome.m_lines, 0u) << shown;
    }
}
