// Host texts that are neither an address nor a known name, through the whole engine. Run
// inside the test network's source namespace, whose resolver knows only its hosts file,
// so that no lookup can leave the machine. Each must fail the trace with a resolver code
// and send nothing.

#include "TraceRun.h"

#include <gtest/gtest.h>

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
        const CTraceRun run(host, 30, 200, 3, true);
        const std::string shown = host.substr(0, 40);
        EXPECT_FALSE(run.m_bResult) << shown;
        EXPECT_GE(run.m_lastError, WSAHOST_NOT_FOUND) << shown;
        EXPECT_LE(run.m_lastError, WSANO_DATA) << shown;
        EXPECT_EQ(run.m_hops.GetSize(), 0u) << shown;
        EXPECT_EQ(run.m_lines.size(), 0u) << shown;
    }
}
