// What the helper lets through from its parent: every request is checked word by word
// and range by range, and the first bad one stops the reader.

#include "ProbeRequestReader.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

namespace {

using ERead = CProbeRequestReader::ERead;

ERead ReadOne(const std::string& bytes, win::CProbeRequest& request)
{
    CProbeRequestReader reader;
    reader.Feed({bytes.data(), bytes.size()});
    return reader.Next(request);
}

} // namespace

TEST(ProbeRequest, WellFormedRequestsInRangeAreRead)
{
    win::CProbeRequest request;
    ASSERT_EQ(ReadOne("4294967295 echo 198.18.4.2 ttl 255 size 255 timeout 4294967295\n", request), ERead::Request);
    EXPECT_EQ(request.m_token, 4294967295u);
    EXPECT_EQ(request.m_destination, inet_addr("198.18.4.2"));
    EXPECT_EQ(request.m_ttl, 255);
    EXPECT_EQ(request.m_dataSize, 255);
    EXPECT_EQ(request.m_timeoutMs, 4294967295u);
    ASSERT_EQ(ReadOne("0 echo 127.0.0.1 ttl 1 size 0 timeout 0\n", request), ERead::Request);
    EXPECT_EQ(request.m_destination, inet_addr("127.0.0.1"));
    EXPECT_FALSE(request.m_cancel);
    ASSERT_EQ(ReadOne("9 echo 2001:2:0:4::2 ttl 1 size 32 timeout 100\n", request), ERead::Request);
    EXPECT_EQ(request.m_destination.Text(), "2001:2:0:4::2");
    ASSERT_EQ(ReadOne("9 echo fe80::1%2 ttl 255 size 32 timeout 100\n", request), ERead::Request);
    EXPECT_EQ(request.m_destination.Scope(), 2u);
    ASSERT_EQ(ReadOne("7 cancel\n", request), ERead::Request);
    EXPECT_TRUE(request.m_cancel);
    EXPECT_EQ(request.m_token, 7u);

    // Split across reads, and two in one read.
    CProbeRequestReader reader;
    const std::string first = "1 echo 10.0.0.1 ttl 3 si";
    reader.Feed({first.data(), first.size()});
    EXPECT_EQ(reader.Next(request), ERead::NeedMore);
    const std::string rest = "ze 32 timeout 100\n2 echo 10.0.0.2 ttl 4 size 32 timeout 100\n";
    reader.Feed({rest.data(), rest.size()});
    ASSERT_EQ(reader.Next(request), ERead::Request);
    EXPECT_EQ(request.m_ttl, 3);
    ASSERT_EQ(reader.Next(request), ERead::Request);
    EXPECT_EQ(request.m_token, 2u);
    EXPECT_EQ(reader.Next(request), ERead::NeedMore);
}

TEST(ProbeRequest, AnythingElseIsBad)
{
    const std::string bad[] = {
        "1 echo 255.255.255.255 ttl 1 size 32 timeout 100\n", // broadcast
        "1 echo 224.0.0.1 ttl 1 size 32 timeout 100\n",       // multicast
        "1 echo 239.255.255.250 ttl 1 size 32 timeout 100\n",
        "1 echo 240.0.0.1 ttl 1 size 32 timeout 100\n",       // reserved
        "1 echo 0.0.0.0 ttl 1 size 32 timeout 100\n",
        "1 echo :: ttl 1 size 32 timeout 100\n",                 // IPv6: unspecified,
        "1 echo ff02::1 ttl 1 size 32 timeout 100\n",            // multicast,
        "1 echo ::ffff:10.0.0.1 ttl 1 size 32 timeout 100\n",    // IPv4-mapped,
        "1 echo fe80::1 ttl 1 size 32 timeout 100\n",            // link-local without interface,
        "1 echo fe80::1%eth0 ttl 1 size 32 timeout 100\n",
        "1 echo 2001:2:0:4:0:0:0:2 ttl 1 size 32 timeout 100\n", // a second spelling,
        "1 echo [2001:2::2] ttl 1 size 32 timeout 100\n",
        "1 echo 2001:2::2 ttl 0 size 32 timeout 100\n",          // hop limit 0
        "1 echo 0.1.2.3 ttl 1 size 32 timeout 100\n",
        "1 echo 10.0.0.1 ttl 0 size 32 timeout 100\n",
        "1 echo 10.0.0.1 ttl 256 size 32 timeout 100\n",
        "1 echo 10.0.0.1 ttl 1 size 256 timeout 100\n",
        "1 echo 10.0.0.1 ttl 1 size 32 timeout 4294967296\n",
        "4294967296 echo 10.0.0.1 ttl 1 size 32 timeout 100\n",
        "1 echo 10.0.0.1 ttl 01 size 32 timeout 100\n",      // leading zero
        "1 echo 10.0.0.01 ttl 1 size 32 timeout 100\n",
        "1 echo 10.0.0 ttl 1 size 32 timeout 100\n",
        "1 echo 10.0.0.1.5 ttl 1 size 32 timeout 100\n",
        "1 echo 10.0.0.256 ttl 1 size 32 timeout 100\n",
        "1 echo 10.0.0.1 ttl -1 size 32 timeout 100\n",
        "1 echo 10.0.0.1 ttl +1 size 32 timeout 100\n",
        "1  echo 10.0.0.1 ttl 1 size 32 timeout 100\n",      // double space
        "1 echo 10.0.0.1 ttl 1 size 32 timeout 100 \n",
        "1 echo 10.0.0.1 ttl 1 size 32 timeout 100\r\n",
        "1 echo 10.0.0.1 size 32 ttl 1 timeout 100\n",       // order
        "1 echo 10.0.0.1 ttl 1 size 32 timeout 100 data 41\n",
        "1 send 10.0.0.1 ttl 1 size 32 timeout 100\n",
        "01 cancel\n",
        "1 cancel 2\n",
        " cancel\n",
        "\n",
        std::string("1 echo 10.0.0.1 ttl 1 size 32 timeout 100\0\n", 43),
    };
    for (const std::string& line : bad) {
        win::CProbeRequest request;
        EXPECT_EQ(ReadOne(line, request), ERead::Bad) << line;
    }
    // A line longer than any request is bad before its end arrives.
    win::CProbeRequest request;
    EXPECT_EQ(ReadOne(std::string(win::CProbeProtocol::kMaxLine, '1'), request), ERead::Bad);
    EXPECT_EQ(ReadOne(std::string(win::CProbeProtocol::kMaxLine - 1, '1'), request), ERead::NeedMore);
}
