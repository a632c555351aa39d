#pragma once
// ICMP and ICMPv6 message layout: the type numbers, building an echo request of either
// family and the Internet checksum. Knows nothing of sockets or of which answer belongs to
// which request.
//
// Every echo request of ours carries one checksum, whatever its identifier, sequence
// number and data: routers that balance load per flow hash the first four bytes of the
// ICMP header (type, code, checksum), so all probes of a trace then take one path. The
// last two data bytes make up for the rest (KeepFlowSum); requests with fewer than two
// data bytes have no room for that and carry their plain checksum. ICMPv6's checksum also
// covers the two addresses, which stay the same for a trace, so the same sum holds there.

#include "WinTypes.h"

#include <cstddef>
#include <span>
#include <vector>

namespace win {

class CIcmpPacket {
public:
    static constexpr std::size_t kHeaderSize = 8; // type, code, checksum, identifier, sequence
    static constexpr BYTE kEchoReply = 0;
    static constexpr BYTE kDestinationUnreachable = 3;
    static constexpr BYTE kSourceQuench = 4;
    static constexpr BYTE kEchoRequest = 8;
    static constexpr BYTE kTimeExceeded = 11;
    static constexpr BYTE kParameterProblem = 12;
    // ICMPv6 (RFC 4443).
    static constexpr BYTE kV6DestinationUnreachable = 1;
    static constexpr BYTE kV6PacketTooBig = 2;
    static constexpr BYTE kV6TimeExceeded = 3;
    static constexpr BYTE kV6ParameterProblem = 4;
    static constexpr BYTE kV6EchoRequest = 128;
    static constexpr BYTE kV6EchoReply = 129;
    static constexpr std::size_t kV6HeaderSize = 40; // the fixed IPv6 header
    static constexpr BYTE kNextHeaderIcmpV6 = 58;

    // The Internet checksum (RFC 1071) of bytes, as the 16-bit value to store big-endian.
    static WORD Checksum(std::span<const BYTE> bytes);
    // True when bytes, checksum field included, sum up as an intact message.
    static bool ChecksumValid(std::span<const BYTE> bytes);
    // The ones' complement sum of the bytes we choose (all but the checksum field) that
    // KeepFlowSum holds every message to.
    static constexpr WORD kFlowSum = 0xB0AE;
    static constexpr std::size_t kFlowWordSize = 2; // the data's last two bytes
    // Sets message's last two bytes (header and data, at least kHeaderSize + 2 bytes; else
    // nothing changes) so that its words, the checksum field left out, sum to kFlowSum.
    // Works for any ICMP message: for ICMPv6, where the kernel adds the pseudo-header to
    // the sum, the checksum then stays the same for one source, destination and size.
    static void KeepFlowSum(std::span<BYTE> message);
    // An echo request with its checksum filled in; the data follows the 8-byte header,
    // its last two bytes replaced by the word that keeps the checksum (KeepFlowSum).
    static std::vector<BYTE> BuildEchoRequest(WORD identifier, WORD sequence, std::span<const BYTE> data);
    // The same into packet, whose capacity is kept.
    static void BuildEchoRequest(WORD identifier, WORD sequence, std::span<const BYTE> data, std::vector<BYTE>& packet);
    // An echo request of either family into packet. ICMPv6's checksum covers the addresses
    // too, so the kernel fills it in (raw and ping sockets both do) and it is left 0 here.
    static void BuildEchoRequest(bool v6, WORD identifier, WORD sequence, std::span<const BYTE> data,
                                 std::vector<BYTE>& packet);

    // Big-endian 16-bit field at offset; the caller has checked the bounds.
    static WORD ReadWord(std::span<const BYTE> bytes, std::size_t offset);
    static void WriteWord(std::span<BYTE> bytes, std::size_t offset, WORD value);
};

} // namespace win
