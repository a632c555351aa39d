#pragma once
// Decides whether received bytes answer one particular echo request (its destination,
// identifier and sequence number) and with what status, for ICMP and ICMPv6 alike (the
// destination's family says which). Pure functions of the bytes:
// no sockets, no clocks. Anything damaged, short or about another packet is no answer.

#include "EchoAnswer.h"

#include <cstddef>
#include <optional>
#include <span>

namespace win {

class CEchoMatcher {
public:
    // What a datagram socket's error queue says about one ICMP error (sock_extended_err).
    struct CQueuedError {
        BYTE m_origin = 0;                // ee_origin; only SO_EE_ORIGIN_ICMP(6) of the family counts
        BYTE m_type = 0;                  // ee_type
        BYTE m_code = 0;                  // ee_code
        CIpAddress m_offender;            // SO_EE_OFFENDER
        CIpAddress m_quotedDestination;   // destination of the quoted request (the message's name)
    };

    CEchoMatcher(const CIpAddress& destination, WORD identifier, WORD sequence);

    // A packet read from a raw ICMP socket: the IPv4 header, then the ICMP message.
    std::optional<CEchoAnswer> MatchRaw(std::span<const BYTE> packet) const;
    // A packet read from a raw ICMPv6 socket: the ICMPv6 message alone (the kernel checked
    // its checksum), from source, which arrived with hopLimit.
    std::optional<CEchoAnswer> MatchRaw6(std::span<const BYTE> message, const CIpAddress& source, BYTE hopLimit) const;
    // A packet read from a datagram socket's receive queue: the ICMP message alone.
    std::optional<CEchoAnswer> MatchDatagram(std::span<const BYTE> message, const CIpAddress& source) const;
    // An entry of a datagram socket's error queue with the quoted start of the request.
    std::optional<CEchoAnswer> MatchQueuedError(const CQueuedError& error, std::span<const BYTE> quoted) const;

    // The IP_STATUS that an ICMP error of this type and code stands for; none when the
    // type is no answer to an echo request (a redirect, say).
    static std::optional<DWORD> StatusForError(BYTE type, BYTE code);
    // The same for ICMPv6, as the platform's IPv6 echo call reports it.
    static std::optional<DWORD> StatusForError6(BYTE type, BYTE code);
    // The IP_STATUS for an echo request that could not be sent, from its errno.
    static DWORD StatusForSend(int error);

    WORD Sequence() const { return m_sequence; }

private:
    struct CIpHeader {
        std::size_t m_headerSize = 0;
        std::size_t m_totalSize = 0;
        BYTE m_protocol = 0;
        IPAddr m_source = 0;
        IPAddr m_destination = 0;
        BYTE m_ttl = 0;
        BYTE m_tos = 0;
    };
    static std::optional<CIpHeader> ParseIpHeader(std::span<const BYTE> bytes);

    bool IsOurRequest(std::span<const BYTE> request) const;
    std::optional<CEchoAnswer> MatchEchoReply(std::span<const BYTE> message, const CIpAddress& source) const;
    std::optional<CEchoAnswer> MatchQuotingError(std::span<const BYTE> message, IPAddr source) const;
    std::optional<CEchoAnswer> MatchQuotingError6(std::span<const BYTE> message, const CIpAddress& source) const;
    std::optional<DWORD> StatusFor(BYTE type, BYTE code) const;
    BYTE EchoRequestType() const;

    CIpAddress m_destination;
    WORD m_identifier;
    WORD m_sequence;
};

} // namespace win
