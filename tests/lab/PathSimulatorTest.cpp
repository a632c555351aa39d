// The path simulator's own faults would pass for the echo facility's: the script it
// reads, which hop answers a probe, when, and whether the answer quotes the request intact.

#include "PathScript.h"
#include "PathSimulator.h"
#include "SimPacket.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace {

// An echo request from 198.18.199.1 with 4 data bytes; id 0x1234.
std::vector<std::uint8_t> RequestPacket(const char* destination, std::uint8_t ttl, std::uint16_t sequence)
{
    std::vector<std::uint8_t> packet(20 + 8 + 4, 0);
    packet[0] = 0x45;
    packet[3] = static_cast<std::uint8_t>(packet.size());
    packet[8] = ttl;
    packet[9] = 1;
    const std::uint32_t source = *ParseAddress("198.18.199.1");
    const std::uint32_t target = *ParseAddress(destination);
    std::memcpy(&packet[12], &source, 4);
    std::memcpy(&packet[16], &target, 4);
    const std::uint16_t ipSum = CSimPacket::Checksum(packet.data(), 20);
    packet[10] = static_cast<std::uint8_t>(ipSum >> 8);
    packet[11] = static_cast<std::uint8_t>(ipSum);
    std::uint8_t* icmp = &packet[20];
    icmp[0] = 8;
    icmp[4] = 0x12;
    icmp[5] = 0x34;
    icmp[6] = static_cast<std::uint8_t>(sequence >> 8);
    icmp[7] = static_cast<std::uint8_t>(sequence);
    std::memcpy(icmp + 8, "EEEE", 4);
    const std::uint16_t icmpSum = CSimPacket::Checksum(icmp, 12);
    icmp[2] = static_cast<std::uint8_t>(icmpSum >> 8);
    icmp[3] = static_cast<std::uint8_t>(icmpSum);
    return packet;
}

EchoRequest Request(const char* destination, std::uint8_t ttl, std::uint16_t sequence)
{
    const auto packet = RequestPacket(destination, ttl, sequence);
    return *CSimPacket::ParseEchoRequest(packet.data(), packet.size());
}

std::string Source(const ScheduledPacket& packet)
{
    std::uint32_t address = 0;
    std::memcpy(&address, &packet.m_packet[12], 4);
    return FormatAddress(address);
}

// The echo identifier and sequence number of the request an answer belongs to.
std::uint32_t AnsweredIdAndSequence(const ScheduledPacket& answer)
{
    const std::uint8_t* icmp = answer.m_packet.data() + 20;
    const std::uint8_t* echo = icmp[0] == 0 ? icmp : icmp + 8 + 20;
    return static_cast<std::uint32_t>(echo[4] << 24 | echo[5] << 16 | echo[6] << 8 | echo[7]);
}

CPathSimulator Simulator(const char* text)
{
    CPathScript script;
    EXPECT_TRUE(script.Parse(text)) << script.m_error;
    return CPathSimulator(script);
}

} // namespace

TEST(PathScript, ReportsTheFirstBadLine)
{
    const struct {
        const char* m_text;
        const char* m_error;
    } cases[] = {
        {"", "no path"},
        {"hop 198.18.200.1", "line 1: hop before path"},
        {"path 198.18.200.9\nhop 198.18.200.300", "line 2: bad address 198.18.200.300"},
        {"path 198.18.200.9\n\n# c\nhop 198.18.200.1 rtt=x", "line 4: bad option rtt=x"},
        {"path 198.18.200.9\nhop 198.18.200.1 unreachable=16", "line 2: bad option unreachable=16"},
        {"path 198.18.200.9\nhop 198.18.200.1 lose=0", "line 2: bad option lose=0"},
        {"path 198.18.200.9\nhop 198.18.200.1 late=2", "line 2: bad option late=2"},
        {"path 198.18.200.9\nhop 198.18.200.1 loss=100.5", "line 2: bad option loss=100.5"},
        {"path 198.18.200.9\npath 198.18.200.9", "line 2: second path to 198.18.200.9"},
        {"route 198.18.200.9", "line 1: unknown keyword route"},
        {"path 198.18.200.9\nhop 198.18.200.1,", "line 2: bad address 198.18.200.1,"},
        {"path 198.18.200.9\nhop 198.18.200.1,198.18.200.9", "line 2: the target is no balanced hop"},
    };
    for (const auto& c : cases) {
        CPathScript script;
        EXPECT_FALSE(script.Parse(c.m_text)) << c.m_text;
        EXPECT_EQ(script.m_error, c.m_error) << c.m_text;
    }
}

TEST(PathScript, ReadsEveryOption)
{
    CPathScript script;
    ASSERT_TRUE(script.Parse("path 198.18.200.9 # the target\n"
                             "hop 198.18.200.1 rtt=2.25 silent noise dup lose=1,3 late=2:800\n"
                             "hop 198.18.200.7 unreachable=3 dup=0.5 loss=12.5 jitter=3 seed=9\n"))
        << script.m_error;
    const SimHop& first = script.m_paths.at(0).m_hops.at(0);
    EXPECT_EQ(first.m_rttUs, 2250);
    EXPECT_TRUE(first.m_bSilent && first.m_bNoise);
    EXPECT_EQ(first.m_duplicateUs, 1000);
    EXPECT_EQ(first.m_lost, (std::set<unsigned>{1, 3}));
    EXPECT_EQ(first.m_lateUs, (std::map<unsigned, std::int64_t>{{2, 800000}}));
    const SimHop& second = script.m_paths.at(0).m_hops.at(1);
    EXPECT_EQ(second.m_unreachableCode, 3);
    EXPECT_EQ(second.m_duplicateUs, 500);
    EXPECT_EQ(second.m_lossPercent, 12.5);
    EXPECT_EQ(second.m_jitterUs, 3000);
    EXPECT_EQ(second.m_seed, 9u);
}

TEST(PathSimulator, TimeExceededQuotesTheRequestIntact)
{
    CPathSimulator simulator = Simulator("path 198.18.200.9\nhop 198.18.200.1 rtt=2\nhop 198.18.200.9 rtt=5\n");
    const EchoRequest request = Request("198.18.200.9", 1, 7);
    const auto answers = simulator.Answer(request, 1000);
    ASSERT_EQ(answers.size(), 1u);
    const auto& packet = answers[0].m_packet;
    EXPECT_EQ(answers[0].m_dueUs, 3000);
    EXPECT_EQ(Source(answers[0]), "198.18.200.1");
    ASSERT_EQ(packet.size(), 20u + 8u + 28u);
    EXPECT_EQ(CSimPacket::Checksum(packet.data(), 20), 0) << "IP header checksum";
    EXPECT_EQ(CSimPacket::Checksum(packet.data() + 20, packet.size() - 20), 0) << "ICMP checksum";
    EXPECT_EQ(packet[20], 11);
    const std::uint8_t* quote = packet.data() + 28;
    EXPECT_EQ(std::memcmp(quote, request.m_packet.data(), 28), 0) << "header and 8 bytes as sent (TTL was 1)";
    EXPECT_EQ(CSimPacket::Checksum(quote, 20), 0) << "quoted header checksum";
}

TEST(PathSimulator, TargetEchoesAndQuotedTtlIsTheArrivingOne)
{
    CPathSimulator simulator =
        Simulator("path 198.18.200.9\nhop 198.18.200.1 rtt=2\nhop 198.18.200.9 rtt=5\n"
                  "path 198.18.200.40\nhop 198.18.200.1 rtt=1\nhop 198.18.200.7 rtt=2 unreachable\n");
    const EchoRequest request = Request("198.18.200.9", 64, 8);
    const auto reply = simulator.Answer(request, 0);
    ASSERT_EQ(reply.size(), 1u);
    EXPECT_EQ(reply[0].m_dueUs, 5000);
    EXPECT_EQ(Source(reply[0]), "198.18.200.9");
    EXPECT_EQ(reply[0].m_packet[20], 0);
    EXPECT_EQ(CSimPacket::Checksum(reply[0].m_packet.data() + 20, reply[0].m_packet.size() - 20), 0);
    EXPECT_EQ(std::memcmp(reply[0].m_packet.data() + 24, request.m_packet.data() + 24, 8), 0) << "id, seq, data";

    const auto unreachable = simulator.Answer(Request("198.18.200.40", 10, 9), 0);
    ASSERT_EQ(unreachable.size(), 1u);
    EXPECT_EQ(Source(unreachable[0]), "198.18.200.7");
    EXPECT_EQ(unreachable[0].m_packet[20], 3);
    EXPECT_EQ(unreachable[0].m_packet[21], 1);
    EXPECT_EQ(unreachable[0].m_packet[28 + 8], 9) << "arrived at hop 2 with TTL 10 - 1";
    EXPECT_TRUE(simulator.Answer(Request("198.18.200.77", 64, 1), 0).empty()) << "no path there";
}

TEST(PathSimulator, CountsProbesPerHopForLostLateAndDuplicateAnswers)
{
    CPathSimulator simulator = Simulator("path 198.18.200.9\n"
                                         "hop 198.18.200.1 rtt=2 lose=2 late=3:400 dup=1\n"
                                         "hop 198.18.200.2 silent\n"
                                         "hop 198.18.200.9 rtt=5 noise\n");
    EXPECT_EQ(simulator.Answer(Request("198.18.200.9", 1, 1), 0).size(), 2u);
    EXPECT_TRUE(simulator.Answer(Request("198.18.200.9", 1, 2), 0).empty());
    const auto late = simulator.Answer(Request("198.18.200.9", 1, 3), 0);
    ASSERT_EQ(late.size(), 2u);
    EXPECT_EQ(late[0].m_dueUs, 400000);
    EXPECT_EQ(late[1].m_dueUs, 401000);
    EXPECT_EQ(late[0].m_packet, late[1].m_packet);
    EXPECT_TRUE(simulator.Answer(Request("198.18.200.9", 2, 4), 0).empty());
    const auto noisy = simulator.Answer(Request("198.18.200.9", 3, 5), 0);
    ASSERT_EQ(noisy.size(), 5u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(noisy[i].m_dueUs, 2500);
        EXPECT_NE(AnsweredIdAndSequence(noisy[i]), 0x12340005u) << "noise " << i << " answers the probe";
    }
    EXPECT_EQ(noisy[4].m_dueUs, 5000);
    EXPECT_EQ(AnsweredIdAndSequence(noisy[4]), 0x12340005u);
}

TEST(PathSimulator, BalancedHopPicksItsRouterByTheFlow)
{
    CPathSimulator simulator =
        Simulator("path 198.18.200.9\nhop 198.18.200.1,198.18.200.2,198.18.200.3 rtt=1\nhop 198.18.200.9\n");
    std::set<std::string> routers;
    for (std::uint16_t sequence = 0; sequence < 30; ++sequence) {
        const EchoRequest request = Request("198.18.200.9", 1, sequence);
        const auto first = simulator.Answer(request, 0);
        const auto again = simulator.Answer(request, 0);
        ASSERT_EQ(first.size(), 1u);
        ASSERT_EQ(again.size(), 1u);
        EXPECT_EQ(Source(first[0]), Source(again[0])) << "one flow, one router";
        routers.insert(Source(first[0]));
    }
    EXPECT_EQ(routers, (std::set<std::string>{"198.18.200.1", "198.18.200.2", "198.18.200.3"}));
}
