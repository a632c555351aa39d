#pragma once
// Builds IPv4/ICMP packets byte by byte for the tests: echo requests and replies, and
// routers' error messages quoting a request, with correct checksums unless told otherwise.

#include "WinTypes.h"

#include <span>
#include <string>
#include <vector>

namespace test {

using Bytes = std::vector<BYTE>;

IPAddr Address(const std::string& dotted); // network order

// An ICMP message: type, code, the 4 bytes after the checksum as two words, the body.
Bytes IcmpMessage(BYTE type, BYTE code, WORD word1, WORD word2, std::span<const BYTE> body);
Bytes EchoReply(WORD identifier, WORD sequence, std::span<const BYTE> data);
Bytes EchoRequest(WORD identifier, WORD sequence, std::span<const BYTE> data);
// An IPv4 header (20 bytes, no options) in front of the payload.
Bytes IpPacket(IPAddr source, IPAddr destination, BYTE protocol, std::span<const BYTE> payload, BYTE ttl = 64);
// A router's error message quoting the first 28 bytes (IP header + 8) of a request packet.
Bytes ErrorQuoting(BYTE type, BYTE code, std::span<const BYTE> requestPacket);

} // namespace test
