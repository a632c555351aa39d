#include "CraftedPackets.h"
#include "EchoMatcher.h"
#include "IcmpPacket.h"

#include <gtest/gtest.h>
#include <linux/errqueue.h>
#include <netinet/in.h>

using namespace test;
using win::CEchoMatcher;
using win::CIcmpPacket;

namespace {

constexpr WORD kId = 0x1234;
constexpr WORD kSeq = 0xBEEF;
const Bytes kData(32, 'E');

struct CFixture {
    IPAddr m_local = Address("198.18.0.1");
    IPAddr m_target = Address("198.18.99.1");
    IPAddr m_router = Address("198.18.0.254");
    CEchoMatcher m_matcher{m_target, kId, kSeq};

    Bytes Request(WORD id = kId, WORD seq = kSeq, IPAddr to = 0) const
    {
        return IpPacket(m_local, to != 0 ? to : m_target, IPPROTO_ICMP, EchoRequest(id, seq, kData), 1);
    }
    Bytes RouterError(BYTE type, BYTE code, const Bytes& request) const
    {
        return IpPacket(m_router, m_local, IPPROTO_ICMP, ErrorQuoting(type, code, request), 250);
    }
    CEchoMatcher::CQueuedError Queued(BYTE type, BYTE code) const
    {
        return CEchoMatcher::CQueuedError{SO_EE_ORIGIN_ICMP, type, code, m_router, m_target};
    }
};

struct CStatusCase {
    BYTE m_type;
    BYTE m_code;
    DWORD m_status;
};

const CStatusCase kStatusCases[] = {
    {11, 0, IP_TTL_EXPIRED_TRANSIT},  {11, 1, IP_TTL_EXPIRED_REASSEM},  {3, 0, IP_DEST_NET_UNREACHABLE},
    {3, 1, IP_DEST_HOST_UNREACHABLE}, {3, 2, IP_DEST_PROT_UNREACHABLE}, {3, 3, IP_DEST_PORT_UNREACHABLE},
    {3, 4, IP_PACKET_TOO_BIG},        {3, 5, IP_BAD_ROUTE},             {3, 6, IP_DEST_NET_UNREACHABLE},
    {3, 7, IP_DEST_HOST_UNREACHABLE}, {3, 9, IP_DEST_NET_UNREACHABLE},  {3, 10, IP_DEST_HOST_UNREACHABLE},
    {3, 11, IP_DEST_NET_UNREACHABLE}, {3, 13, IP_DEST_HOST_UNREACHABLE}, {3, 99, IP_DEST_HOST_UNREACHABLE},
    {12, 0, IP_PARAM_PROBLEM},        {4, 0, IP_SOURCE_QUENCH},
};

} // namespace

TEST(IcmpPacketTest, ChecksumFoldsCarriesAndPadsOddLength)
{
    const Bytes even{0x00, 0x01, 0xF2, 0x03, 0xF4, 0xF5, 0xF6, 0xF7};
    EXPECT_EQ(CIcmpPacket::Checksum(even), 0x220D);
    const Bytes odd{0x00, 0x01, 0xF2, 0x03, 0xF4, 0xF5, 0xF6, 0xF7, 0x01};
    EXPECT_EQ(CIcmpPacket::Checksum(odd), 0x210D);

    const Bytes request = CIcmpPacket::BuildEchoRequest(kId, kSeq, Bytes(33, 'E'));
    ASSERT_EQ(request.size(), 41u);
    EXPECT_EQ(request[0], CIcmpPacket::kEchoRequest);
    EXPECT_EQ(CIcmpPacket::ReadWord(request, 4), kId);
    EXPECT_EQ(CIcmpPacket::ReadWord(request, 6), kSeq);
    EXPECT_TRUE(CIcmpPacket::ChecksumValid(request));
}

TEST(IcmpPacketTest, EveryRequestCarriesTheSameChecksumWhateverItsNumbersAndData)
{
    const WORD flowChecksum = static_cast<WORD>(~CIcmpPacket::kFlowSum);
    for (const WORD sequence : {WORD{0}, WORD{1}, WORD{0x8000}, WORD{0xFFFF}}) {
        for (const std::size_t size : {2u, 3u, 32u, 33u}) {
            const Bytes request = CIcmpPacket::BuildEchoRequest(static_cast<WORD>(kId + sequence), sequence,
                                                                Bytes(size, static_cast<BYTE>(sequence)));
            EXPECT_EQ(CIcmpPacket::ReadWord(request, 2), flowChecksum) << sequence << ", " << size << " bytes";
            EXPECT_TRUE(CIcmpPacket::ChecksumValid(request));
            EXPECT_EQ(Bytes(request.begin() + 8, request.end() - 2), Bytes(size - 2, static_cast<BYTE>(sequence)));
        }
    }
    // Any message type (ICMPv6's echo request is 128): the sum of what we choose stays put.
    Bytes message{128, 0, 0x12, 0x34, 0xAB, 0xCD, 0x00, 0x07, 'E', 'E', 'E', 0, 0};
    CIcmpPacket::KeepFlowSum(message);
    message[2] = message[3] = 0;
    EXPECT_EQ(CIcmpPacket::Checksum(message), flowChecksum);
    // No room for the word: the message is left as it is.
    Bytes tooShort{8, 0, 0, 0, 0, 1, 0, 2, 'E'};
    const Bytes before = tooShort;
    CIcmpPacket::KeepFlowSum(tooShort);
    EXPECT_EQ(tooShort, before);
}

TEST(EchoMatcherTest, RawEchoReplyToThisRequestIsSuccessWithData)
{
    CFixture f;
    const Bytes packet = IpPacket(f.m_target, f.m_local, IPPROTO_ICMP, EchoReply(kId, kSeq, kData), 57);
    const auto answer = f.m_matcher.MatchRaw(packet);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->m_status, IP_SUCCESS);
    EXPECT_EQ(answer->m_address, f.m_target);
    EXPECT_EQ(Bytes(answer->m_data.begin(), answer->m_data.end()), kData);
    EXPECT_EQ(answer->m_ttl, 57);
}

TEST(EchoMatcherTest, OtherEchoTrafficIsNoAnswer)
{
    CFixture f;
    const auto reply = [&](WORD id, WORD seq) {
        return IpPacket(f.m_target, f.m_local, IPPROTO_ICMP, EchoReply(id, seq, kData));
    };
    EXPECT_FALSE(f.m_matcher.MatchRaw(reply(kId + 1, kSeq))) << "another program's identifier";
    EXPECT_FALSE(f.m_matcher.MatchRaw(reply(kId, kSeq - 1))) << "late reply to an earlier request";
    // Our own request, seen by a raw socket on loopback, is no reply.
    EXPECT_FALSE(f.m_matcher.MatchRaw(f.Request()));
    EXPECT_FALSE(f.m_matcher.MatchDatagram(EchoReply(kId, kSeq - 1, kData), f.m_target));
    EXPECT_FALSE(f.m_matcher.MatchDatagram(EchoRequest(kId, kSeq, kData), f.m_target));
    EXPECT_FALSE(f.m_matcher.MatchDatagram(EchoReply(kId + 1, kSeq, kData), f.m_target));
}

TEST(EchoMatcherTest, DatagramEchoReplyCarriesSenderAndData)
{
    CFixture f;
    const Bytes message = EchoReply(kId, kSeq, Bytes{1, 2, 3});
    const auto answer = f.m_matcher.MatchDatagram(message, f.m_target);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->m_status, IP_SUCCESS);
    EXPECT_EQ(answer->m_address, f.m_target);
    EXPECT_EQ(Bytes(answer->m_data.begin(), answer->m_data.end()), (Bytes{1, 2, 3}));
}

TEST(EchoMatcherTest, EachErrorMessageMapsToItsStatusInBothForms)
{
    CFixture f;
    const Bytes request = f.Request();
    for (const CStatusCase& c : kStatusCases) {
        SCOPED_TRACE(testing::Message() << "type " << int(c.m_type) << " code " << int(c.m_code));
        const auto raw = f.m_matcher.MatchRaw(f.RouterError(c.m_type, c.m_code, request));
        ASSERT_TRUE(raw);
        EXPECT_EQ(raw->m_status, c.m_status);
        EXPECT_EQ(raw->m_address, f.m_router);
        EXPECT_TRUE(raw->m_data.empty());

        const Bytes quoted(request.begin() + 20, request.begin() + 28);
        const auto queued = f.m_matcher.MatchQueuedError(f.Queued(c.m_type, c.m_code), quoted);
        ASSERT_TRUE(queued);
        EXPECT_EQ(queued->m_status, c.m_status);
        EXPECT_EQ(queued->m_address, f.m_router);
    }
}

TEST(EchoMatcherTest, ErrorsThatAreNoFinalAnswerAreIgnored)
{
    CFixture f;
    const Bytes request = f.Request();
    const Bytes quoted(request.begin() + 20, request.end());
    for (BYTE type : {BYTE{5}, BYTE{0x45}, BYTE{CIcmpPacket::kEchoRequest}}) {
        EXPECT_FALSE(f.m_matcher.MatchRaw(f.RouterError(type, 0, request))) << int(type);
        EXPECT_FALSE(f.m_matcher.MatchQueuedError(f.Queued(type, 0), quoted)) << int(type);
    }
    CEchoMatcher::CQueuedError local = f.Queued(11, 0);
    local.m_origin = SO_EE_ORIGIN_LOCAL;
    EXPECT_FALSE(f.m_matcher.MatchQueuedError(local, quoted));
}

TEST(EchoMatcherTest, ErrorQuotingSomeoneElsesPacketIsIgnored)
{
    CFixture f;
    EXPECT_FALSE(f.m_matcher.MatchRaw(f.RouterError(11, 0, f.Request(kId + 1))));
    EXPECT_FALSE(f.m_matcher.MatchRaw(f.RouterError(11, 0, f.Request(kId, kSeq + 1))));
    EXPECT_FALSE(f.m_matcher.MatchRaw(f.RouterError(11, 0, f.Request(kId, kSeq, Address("198.18.99.2")))));
    const Bytes udp = IpPacket(f.m_local, f.m_target, IPPROTO_UDP, EchoRequest(kId, kSeq, kData));
    EXPECT_FALSE(f.m_matcher.MatchRaw(f.RouterError(3, 3, udp)));
    const Bytes quotedReply = IpPacket(f.m_local, f.m_target, IPPROTO_ICMP, EchoReply(kId, kSeq, kData));
    EXPECT_FALSE(f.m_matcher.MatchRaw(f.RouterError(11, 0, quotedReply)));

    const Bytes other = EchoRequest(kId, kSeq + 1, kData);
    EXPECT_FALSE(f.m_matcher.MatchQueuedError(f.Queued(11, 0), other));
    CEchoMatcher::CQueuedError elsewhere = f.Queued(11, 0);
    elsewhere.m_quotedDestination = Address("198.18.99.2");
    EXPECT_FALSE(f.m_matcher.MatchQueuedError(elsewhere, EchoRequest(kId, kSeq, kData)));
}

TEST(EchoMatcherTest, EveryTruncationOfAnAnswerIsRejected)
{
    CFixture f;
    const Bytes reply = IpPacket(f.m_target, f.m_local, IPPROTO_ICMP, EchoReply(kId, kSeq, kData));
    const Bytes error = f.RouterError(11, 0, f.Request());
    for (const Bytes* packet : {&reply, &error}) {
        ASSERT_TRUE(f.m_matcher.MatchRaw(*packet));
        for (std::size_t size = 0; size < packet->size(); ++size)
            EXPECT_FALSE(f.m_matcher.MatchRaw(std::span<const BYTE>(*packet).first(size))) << size;
    }
    const Bytes message = EchoReply(kId, kSeq, {});
    for (std::size_t size = 0; size < message.size(); ++size)
        EXPECT_FALSE(f.m_matcher.MatchDatagram(std::span<const BYTE>(message).first(size), f.m_target)) << size;
    const Bytes quoted = EchoRequest(kId, kSeq, {});
    EXPECT_FALSE(f.m_matcher.MatchQueuedError(f.Queued(11, 0), std::span<const BYTE>(quoted).first(7)));
}

TEST(EchoMatcherTest, CorruptedHeadersAreRejected)
{
    CFixture f;
    const Bytes good = IpPacket(f.m_target, f.m_local, IPPROTO_ICMP, EchoReply(kId, kSeq, kData));
    const auto corrupt = [&](std::size_t at, BYTE value) {
        Bytes bad = good;
        bad[at] = value;
        return f.m_matcher.MatchRaw(bad).has_value();
    };
    EXPECT_FALSE(corrupt(20 + 8, 'F')) << "data changed after the checksum";
    EXPECT_FALSE(corrupt(0, 0x44)) << "IHL below 5";
    EXPECT_FALSE(corrupt(0, 0x4F)) << "IHL beyond the ICMP message";
    EXPECT_FALSE(corrupt(0, 0x65)) << "IPv6 version";
    EXPECT_FALSE(corrupt(2, 0xFF)) << "total length beyond the bytes received";
    EXPECT_FALSE(corrupt(3, 10)) << "total length shorter than the header";
    EXPECT_FALSE(corrupt(7, 0x10)) << "later fragment";
    EXPECT_FALSE(corrupt(9, IPPROTO_UDP)) << "not ICMP";

    Bytes padded = good;
    padded.insert(padded.end(), {0, 0, 0, 0});
    EXPECT_TRUE(f.m_matcher.MatchRaw(padded)) << "bytes after the total length are ignored";

    Bytes badInner = f.RouterError(11, 0, f.Request());
    badInner[28] = 0x43; // the quoted header's IHL of 3, with the checksum made to fit
    CIcmpPacket::WriteWord(badInner, 22, 0);
    CIcmpPacket::WriteWord(badInner, 22, CIcmpPacket::Checksum(std::span<const BYTE>(badInner).subspan(20)));
    EXPECT_FALSE(f.m_matcher.MatchRaw(badInner));
}
