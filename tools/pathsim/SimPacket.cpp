#include "SimPacket.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint8_t kProtocolIcmp = 1;
constexpr std::uint8_t kEchoReply = 0;
constexpr std::uint8_t kEchoRequest = 8;
constexpr std::size_t kIcmpHeaderLength = 8;
constexpr std::size_t kIpHeaderLength = 20;
constexpr std::size_t kIp6HeaderLength = 40;
constexpr std::uint8_t kNextHeaderIcmp6 = 58;
constexpr std::uint8_t kEchoRequest6 = 128;
constexpr std::uint8_t kEchoReply6 = 129;
constexpr std::uint8_t kTimeExceeded = 11;
constexpr std::uint8_t kUnreachable6 = 1;
constexpr std::uint8_t kTimeExceeded6 = 3;
constexpr std::size_t kMaxQuote6 = 1232; // an ICMPv6 error fits the minimum MTU of 1280

// The ICMPv6 code for an ICMP destination-unreachable code.
std::uint8_t UnreachableCode6(std::uint8_t code)
{
    switch (code) {
    case 0: // net
        return 0; // no route
    case 3: // port
        return 4;
    case 9:
    case 10:
    case 13: // administratively prohibited
        return 1;
    default:
        return 3; // address unreachable
    }
}

std::uint16_t Read16(const std::uint8_t* data)
{
    return static_cast<std::uint16_t>(data[0] << 8 | data[1]);
}

void Write16(std::uint8_t* data, std::uint16_t value)
{
    data[0] = static_cast<std::uint8_t>(value >> 8);
    data[1] = static_cast<std::uint8_t>(value);
}

void SetChecksum(std::uint8_t* data, std::size_t size, std::size_t offset)
{
    Write16(data + offset, 0);
    Write16(data + offset, CSimPacket::Checksum(data, size));
}

} // namespace

std::uint16_t CSimPacket::Checksum(const std::uint8_t* data, std::size_t size)
{
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        sum += Read16(data + i);
    if (size % 2 != 0)
        sum += static_cast<std::uint32_t>(data[size - 1]) << 8;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

std::optional<EchoRequest> CSimPacket::ParseEchoRequest(const std::uint8_t* data, std::size_t size)
{
    if (size > 0 && data[0] >> 4 == 6)
        return ParseEchoRequest6(data, size);
    if (size < kIpHeaderLength || data[0] >> 4 != 4)
        return std::nullopt;
    const std::size_t headerLength = static_cast<std::size_t>(data[0] & 0x0F) * 4;
    const std::size_t totalLength = Read16(data + 2);
    const bool fragment = (Read16(data + 6) & 0x3FFF) != 0;
    if (headerLength < kIpHeaderLength || totalLength > size || totalLength < headerLength + kIcmpHeaderLength ||
        fragment || data[9] != kProtocolIcmp || data[headerLength] != kEchoRequest)
        return std::nullopt;
    EchoRequest request;
    request.m_packet.assign(data, data + totalLength);
    request.m_headerLength = headerLength;
    std::memcpy(&request.m_source, data + 12, 4);
    std::memcpy(&request.m_destination, data + 16, 4);
    request.m_ttl = data[8];
    request.m_id = Read16(data + headerLength + 4);
    request.m_sequence = Read16(data + headerLength + 6);
    return request;
}

// Only requests without extension headers: ours carry none.
std::optional<EchoRequest> CSimPacket::ParseEchoRequest6(const std::uint8_t* data, std::size_t size)
{
    if (size < kIp6HeaderLength + kIcmpHeaderLength)
        return std::nullopt;
    const std::size_t totalLength = kIp6HeaderLength + Read16(data + 4);
    if (totalLength > size || totalLength < kIp6HeaderLength + kIcmpHeaderLength || data[6] != kNextHeaderIcmp6 ||
        data[kIp6HeaderLength] != kEchoRequest6)
        return std::nullopt;
    EchoRequest request;
    request.m_v6 = true;
    request.m_packet.assign(data, data + totalLength);
    request.m_headerLength = kIp6HeaderLength;
    std::memcpy(request.m_source6.data(), data + 8, 16);
    std::memcpy(request.m_destination6.data(), data + 24, 16);
    std::memcpy(&request.m_source, data + 8 + 12, 4);
    std::memcpy(&request.m_destination, data + 24 + 12, 4);
    request.m_ttl = data[7];
    request.m_id = Read16(data + kIp6HeaderLength + 4);
    request.m_sequence = Read16(data + kIp6HeaderLength + 6);
    return request;
}

std::vector<std::uint8_t> CSimPacket::Ip6Packet(const std::array<std::uint8_t, 16>& from,
                                                 const std::array<std::uint8_t, 16>& to, std::vector<std::uint8_t> icmp)
{
    std::vector<std::uint8_t> packet(kIp6HeaderLength + icmp.size());
    packet[0] = 0x60;
    Write16(packet.data() + 4, static_cast<std::uint16_t>(icmp.size()));
    packet[6] = kNextHeaderIcmp6;
    packet[7] = 64;
    std::memcpy(packet.data() + 8, from.data(), 16);
    std::memcpy(packet.data() + 24, to.data(), 16);
    // The pseudo-header: both addresses, the length and the next header, then the message.
    std::vector<std::uint8_t> summed(32 + 8 + icmp.size(), 0);
    std::memcpy(summed.data(), from.data(), 16);
    std::memcpy(summed.data() + 16, to.data(), 16);
    summed[34] = static_cast<std::uint8_t>(icmp.size() >> 8);
    summed[35] = static_cast<std::uint8_t>(icmp.size());
    summed[39] = kNextHeaderIcmp6;
    Write16(icmp.data() + 2, 0);
    std::memcpy(summed.data() + 40, icmp.data(), icmp.size());
    Write16(icmp.data() + 2, Checksum(summed.data(), summed.size()));
    std::memcpy(packet.data() + kIp6HeaderLength, icmp.data(), icmp.size());
    return packet;
}

std::vector<std::uint8_t> CSimPacket::Error6(const EchoRequest& request, std::uint32_t from, std::uint8_t type,
                                              std::uint8_t code, std::uint8_t quotedTtl)
{
    const std::size_t quoted = std::min(request.m_packet.size(), kMaxQuote6);
    std::vector<std::uint8_t> icmp(kIcmpHeaderLength + quoted, 0);
    icmp[0] = type == kTimeExceeded ? kTimeExceeded6 : kUnreachable6;
    icmp[1] = type == kTimeExceeded ? 0 : UnreachableCode6(code);
    std::memcpy(icmp.data() + kIcmpHeaderLength, request.m_packet.data(), quoted);
    icmp[kIcmpHeaderLength + 7] = quotedTtl;
    std::array<std::uint8_t, 16> router = request.m_destination6;
    std::memcpy(router.data() + 12, &from, 4);
    return Ip6Packet(router, request.m_source6, std::move(icmp));
}

std::vector<std::uint8_t> CSimPacket::IpPacket(std::uint32_t from, std::uint32_t to,
                                                const std::vector<std::uint8_t>& icmp)
{
    static std::uint16_t s_nextId = 1;
    std::vector<std::uint8_t> packet(kIpHeaderLength + icmp.size());
    packet[0] = 0x45;
    Write16(packet.data() + 2, static_cast<std::uint16_t>(packet.size()));
    Write16(packet.data() + 4, s_nextId++);
    packet[8] = 64;
    packet[9] = kProtocolIcmp;
    std::memcpy(packet.data() + 12, &from, 4);
    std::memcpy(packet.data() + 16, &to, 4);
    SetChecksum(packet.data(), kIpHeaderLength, 10);
    std::memcpy(packet.data() + kIpHeaderLength, icmp.data(), icmp.size());
    return packet;
}

std::vector<std::uint8_t> CSimPacket::EchoReply(const EchoRequest& request)
{
    std::vector<std::uint8_t> icmp(request.m_packet.begin() + static_cast<std::ptrdiff_t>(request.m_headerLength),
                                   request.m_packet.end());
    icmp[1] = 0;
    if (request.m_v6) {
        icmp[0] = kEchoReply6;
        return Ip6Packet(request.m_destination6, request.m_source6, std::move(icmp));
    }
    icmp[0] = kEchoReply;
    SetChecksum(icmp.data(), icmp.size(), 2);
    return IpPacket(request.m_destination, request.m_source, icmp);
}

std::vector<std::uint8_t> CSimPacket::Error(const EchoRequest& request, std::uint32_t from, std::uint8_t type,
                                             std::uint8_t code, std::uint8_t quotedTtl)
{
    if (request.m_v6)
        return Error6(request, from, type, code, quotedTtl);
    const std::size_t quoted = request.m_headerLength + kIcmpHeaderLength;
    std::vector<std::uint8_t> icmp(kIcmpHeaderLength + quoted, 0);
    icmp[0] = type;
    icmp[1] = code;
    std::uint8_t* quote = icmp.data() + kIcmpHeaderLength;
    std::memcpy(quote, request.m_packet.data(), quoted);
    quote[8] = quotedTtl;
    SetChecksum(quote, request.m_headerLength, 10);
    SetChecksum(icmp.data(), icmp.size(), 2);
    return IpPacket(from, request.m_source, icmp);
}

EchoRequest CSimPacket::Renumbered(const EchoRequest& request, std::uint16_t id, std::uint16_t sequence)
{
    EchoRequest other = request;
    std::uint8_t* icmp = other.m_packet.data() + other.m_headerLength;
    Write16(icmp + 4, id);
    Write16(icmp + 6, sequence);
    // An ICMPv6 request's checksum is never looked at here: the answers are built anew.
    if (!other.m_v6)
        SetChecksum(icmp, other.m_packet.size() - other.m_headerLength, 2);
    other.m_id = id;
    other.m_sequence = sequence;
    return other;
}
