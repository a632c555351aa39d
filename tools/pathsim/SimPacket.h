#pragma once
// Reads ICMP echo requests out of raw IPv4 packets, and ICMPv6 ones out of IPv6 packets,
// and builds the answers a path gives: echo replies and ICMP errors that quote the
// request's IP header and first 8 bytes (ICMPv6 errors the whole request), so that both
// raw and datagram (ping) sockets match them to their request. An IPv6 request stands for
// the IPv4 address in the last four bytes of its destination: the scripts' paths serve
// both families, and an IPv6 router's address is the request's /96 with the router's
// IPv4 address behind it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

struct EchoRequest {
    std::vector<std::uint8_t> m_packet; // the IPv4 packet as it arrived
    std::size_t m_headerLength = 0;     // bytes of IP header
    std::uint32_t m_source = 0;         // network order
    std::uint32_t m_destination = 0;    // network order
    std::uint8_t m_ttl = 0;
    std::uint16_t m_id = 0;       // host order
    std::uint16_t m_sequence = 0; // host order
    bool m_v6 = false;            // then the addresses above are the last four bytes of these
    std::array<std::uint8_t, 16> m_source6{};
    std::array<std::uint8_t, 16> m_destination6{};
};

class CSimPacket {
public:
    // The request, or nullopt for anything but a well-formed, unfragmented ICMP echo request.
    static std::optional<EchoRequest> ParseEchoRequest(const std::uint8_t* data, std::size_t size);

    static std::vector<std::uint8_t> EchoReply(const EchoRequest& request);
    // An error from `from`: the request's header (its TTL set to quotedTtl) and 8 bytes.
    static std::vector<std::uint8_t> Error(const EchoRequest& request, std::uint32_t from, std::uint8_t type,
                                           std::uint8_t code, std::uint8_t quotedTtl);
    // The same request under another echo identifier and sequence number, to make answers
    // that belong to no waiting probe.
    static EchoRequest Renumbered(const EchoRequest& request, std::uint16_t id, std::uint16_t sequence);

    static std::uint16_t Checksum(const std::uint8_t* data, std::size_t size);

private:
    static std::optional<EchoRequest> ParseEchoRequest6(const std::uint8_t* data, std::size_t size);
    static std::vector<std::uint8_t> IpPacket(std::uint32_t from, std::uint32_t to,
                                              const std::vector<std::uint8_t>& icmp);
    // An IPv6 packet around icmp, whose checksum (over the pseudo-header too) it fills in.
    static std::vector<std::uint8_t> Ip6Packet(const std::array<std::uint8_t, 16>& from,
                                               const std::array<std::uint8_t, 16>& to, std::vector<std::uint8_t> icmp);
    static std::vector<std::uint8_t> Error6(const EchoRequest& request, std::uint32_t from, std::uint8_t type,
                                            std::uint8_t code, std::uint8_t quotedTtl);
};
