#include "EchoMatcher.h"

#include "IcmpPacket.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <linux/errqueue.h>
#include <netinet/in.h>

namespace win {

namespace {

constexpr std::size_t kMinIpHeaderSize = 20;
constexpr WORD kFragmentOffsetMask = 0x1FFF;

IPAddr ReadAddress(std::span<const BYTE> bytes, std::size_t offset)
{
    IPAddr address = 0;
    std::memcpy(&address, bytes.data() + offset, sizeof address);
    return address;
}

DWORD StatusForUnreachable(BYTE code)
{
    switch (code) {
    case 0:  // net unreachable
    case 6:  // destination net unknown
    case 9:  // net administratively prohibited
    case 11: // net unreachable for this type of service
        return IP_DEST_NET_UNREACHABLE;
    case 2:
        return IP_DEST_PROT_UNREACHABLE;
    case 3:
        return IP_DEST_PORT_UNREACHABLE;
    case 4:
        return IP_PACKET_TOO_BIG;
    case 5:
        return IP_BAD_ROUTE;
    default: // host unreachable, unknown, isolated or prohibited, and whatever else comes
        return IP_DEST_HOST_UNREACHABLE;
    }
}

// ICMPv6 destination unreachable codes (RFC 4443, 3.1).
DWORD StatusForUnreachable6(BYTE code)
{
    switch (code) {
    case 0: // no route to destination
        return IP_DEST_NO_ROUTE;
    case 1: // administratively prohibited
    case 5: // source address failed ingress/egress policy
    case 6: // reject route to destination
        return IP_DEST_PROHIBITED;
    case 2:
        return IP_DEST_SCOPE_MISMATCH;
    case 3:
        return IP_DEST_ADDR_UNREACHABLE;
    case 4:
        return IP_DEST_PORT_UNREACHABLE;
    default:
        return IP_DEST_UNREACHABLE;
    }
}

} // namespace

CEchoMatcher::CEchoMatcher(const CIpAddress& destination, WORD identifier, WORD sequence)
    : m_destination(destination)
    , m_identifier(identifier)
    , m_sequence(sequence)
{
}

std::optional<DWORD> CEchoMatcher::StatusForError(BYTE type, BYTE code)
{
    switch (type) {
    case CIcmpPacket::kDestinationUnreachable:
        return StatusForUnreachable(code);
    case CIcmpPacket::kTimeExceeded:
        return code == 1 ? IP_TTL_EXPIRED_REASSEM : IP_TTL_EXPIRED_TRANSIT;
    case CIcmpPacket::kParameterProblem:
        return IP_PARAM_PROBLEM;
    case CIcmpPacket::kSourceQuench:
        return IP_SOURCE_QUENCH;
    default:
        return std::nullopt;
    }
}

std::optional<DWORD> CEchoMatcher::StatusForError6(BYTE type, BYTE code)
{
    switch (type) {
    case CIcmpPacket::kV6DestinationUnreachable:
        return StatusForUnreachable6(code);
    case CIcmpPacket::kV6PacketTooBig:
        return IP_PACKET_TOO_BIG;
    case CIcmpPacket::kV6TimeExceeded:
        return code == 0 ? IP_HOP_LIMIT_EXCEEDED : code == 1 ? IP_REASSEMBLY_TIME_EXCEEDED : IP_TIME_EXCEEDED;
    case CIcmpPacket::kV6ParameterProblem:
        return IP_PARAMETER_PROBLEM;
    default:
        return std::nullopt;
    }
}

std::optional<DWORD> CEchoMatcher::StatusFor(BYTE type, BYTE code) const
{
    return m_destination.IsV6() ? StatusForError6(type, code) : StatusForError(type, code);
}

BYTE CEchoMatcher::EchoRequestType() const
{
    return m_destination.IsV6() ? CIcmpPacket::kV6EchoRequest : CIcmpPacket::kEchoRequest;
}

DWORD CEchoMatcher::StatusForSend(int error)
{
    switch (error) {
    case EHOSTUNREACH:
        return IP_DEST_HOST_UNREACHABLE;
    case ENETUNREACH:
        return IP_DEST_NET_UNREACHABLE;
    case EMSGSIZE:
        return IP_PACKET_TOO_BIG;
    case ENOBUFS:
    case ENOMEM:
        return IP_NO_RESOURCES;
    default:
        return IP_GENERAL_FAILURE;
    }
}

std::optional<CEchoMatcher::CIpHeader> CEchoMatcher::ParseIpHeader(std::span<const BYTE> bytes)
{
    if (bytes.size() < kMinIpHeaderSize || (bytes[0] >> 4) != 4)
        return std::nullopt;
    CIpHeader header;
    header.m_headerSize = static_cast<std::size_t>(bytes[0] & 0x0F) * 4;
    header.m_totalSize = CIcmpPacket::ReadWord(bytes, 2);
    if (header.m_headerSize < kMinIpHeaderSize || header.m_headerSize > bytes.size())
        return std::nullopt;
    if (header.m_totalSize < header.m_headerSize)
        return std::nullopt;
    // Only a first fragment (or a whole packet) begins with the ICMP header.
    if ((CIcmpPacket::ReadWord(bytes, 6) & kFragmentOffsetMask) != 0)
        return std::nullopt;
    header.m_tos = bytes[1];
    header.m_ttl = bytes[8];
    header.m_protocol = bytes[9];
    header.m_source = ReadAddress(bytes, 12);
    header.m_destination = ReadAddress(bytes, 16);
    return header;
}

std::optional<CEchoAnswer> CEchoMatcher::MatchRaw(std::span<const BYTE> packet) const
{
    if (m_destination.IsV6())
        return std::nullopt;
    const std::optional<CIpHeader> ip = ParseIpHeader(packet);
    if (!ip || ip->m_protocol != IPPROTO_ICMP || ip->m_totalSize > packet.size())
        return std::nullopt;
    const std::span<const BYTE> message = packet.subspan(ip->m_headerSize, ip->m_totalSize - ip->m_headerSize);
    if (message.size() < CIcmpPacket::kHeaderSize || !CIcmpPacket::ChecksumValid(message))
        return std::nullopt;
    std::optional<CEchoAnswer> answer = message[0] == CIcmpPacket::kEchoReply
                                            ? MatchEchoReply(message, ip->m_source)
                                            : MatchQuotingError(message, ip->m_source);
    if (answer) {
        answer->m_ttl = ip->m_ttl;
        answer->m_tos = ip->m_tos;
    }
    return answer;
}

std::optional<CEchoAnswer> CEchoMatcher::MatchRaw6(std::span<const BYTE> message, const CIpAddress& source,
                                                   BYTE hopLimit) const
{
    if (!m_destination.IsV6() || message.size() < CIcmpPacket::kHeaderSize)
        return std::nullopt;
    std::optional<CEchoAnswer> answer = message[0] == CIcmpPacket::kV6EchoReply ? MatchEchoReply(message, source)
                                                                                : MatchQuotingError6(message, source);
    if (answer)
        answer->m_ttl = hopLimit;
    return answer;
}

// The kernel has checked an ICMPv6 message's checksum, which covers addresses this end
// does not see; an ICMP message's is checked here.
std::optional<CEchoAnswer> CEchoMatcher::MatchDatagram(std::span<const BYTE> message, const CIpAddress& source) const
{
    if (message.size() < CIcmpPacket::kHeaderSize || source.IsV6() != m_destination.IsV6())
        return std::nullopt;
    if (!m_destination.IsV6() && !CIcmpPacket::ChecksumValid(message))
        return std::nullopt;
    if (message[0] != (m_destination.IsV6() ? CIcmpPacket::kV6EchoReply : CIcmpPacket::kEchoReply))
        return std::nullopt;
    return MatchEchoReply(message, source);
}

std::optional<CEchoAnswer> CEchoMatcher::MatchQueuedError(const CQueuedError& error,
                                                          std::span<const BYTE> quoted) const
{
    const BYTE origin = m_destination.IsV6() ? SO_EE_ORIGIN_ICMP6 : SO_EE_ORIGIN_ICMP;
    if (error.m_origin != origin || error.m_quotedDestination != m_destination)
        return std::nullopt;
    const std::optional<DWORD> status = StatusFor(error.m_type, error.m_code);
    if (!status || !IsOurRequest(quoted))
        return std::nullopt;
    CEchoAnswer answer;
    answer.m_status = *status;
    answer.m_address = error.m_offender;
    return answer;
}

bool CEchoMatcher::IsOurRequest(std::span<const BYTE> request) const
{
    return request.size() >= CIcmpPacket::kHeaderSize && request[0] == EchoRequestType() &&
           request[1] == 0 && CIcmpPacket::ReadWord(request, 4) == m_identifier &&
           CIcmpPacket::ReadWord(request, 6) == m_sequence;
}

std::optional<CEchoAnswer> CEchoMatcher::MatchEchoReply(std::span<const BYTE> message, const CIpAddress& source) const
{
    if (CIcmpPacket::ReadWord(message, 4) != m_identifier || CIcmpPacket::ReadWord(message, 6) != m_sequence)
        return std::nullopt;
    CEchoAnswer answer;
    answer.m_status = IP_SUCCESS;
    answer.m_address = source;
    answer.m_data = message.subspan(CIcmpPacket::kHeaderSize);
    return answer;
}

std::optional<CEchoAnswer> CEchoMatcher::MatchQuotingError(std::span<const BYTE> message, IPAddr source) const
{
    const std::optional<DWORD> status = StatusForError(message[0], message[1]);
    if (!status)
        return std::nullopt;
    // The quote: the request's IP header and at least the first 8 bytes of its ICMP message.
    const std::span<const BYTE> quote = message.subspan(CIcmpPacket::kHeaderSize);
    const std::optional<CIpHeader> inner = ParseIpHeader(quote);
    if (!inner || inner->m_protocol != IPPROTO_ICMP || CIpAddress(inner->m_destination) != m_destination)
        return std::nullopt;
    if (!IsOurRequest(quote.subspan(inner->m_headerSize)))
        return std::nullopt;
    CEchoAnswer answer;
    answer.m_status = *status;
    answer.m_address = source;
    return answer;
}

} // namespace win

namespace win {

// The quote: the request's IPv6 header (no extension headers: the requests carry none),
// then at least the first 8 bytes of its ICMPv6 message.
std::optional<CEchoAnswer> CEchoMatcher::MatchQuotingError6(std::span<const BYTE> message,
                                                            const CIpAddress& source) const
{
    const std::optional<DWORD> status = StatusForError6(message[0], message[1]);
    if (!status)
        return std::nullopt;
    const std::span<const BYTE> quote = message.subspan(CIcmpPacket::kHeaderSize);
    if (quote.size() < CIcmpPacket::kV6HeaderSize || (quote[0] >> 4) != 6 ||
        quote[6] != CIcmpPacket::kNextHeaderIcmpV6)
        return std::nullopt;
    BYTE destination[16];
    std::copy_n(quote.begin() + 24, 16, destination);
    if (CIpAddress::FromV6(destination).Bytes() != m_destination.Bytes())
        return std::nullopt;
    if (!IsOurRequest(quote.subspan(CIcmpPacket::kV6HeaderSize)))
        return std::nullopt;
    CEchoAnswer answer;
    answer.m_status = *status;
    answer.m_address = source;
    return answer;
}

} // namespace win
