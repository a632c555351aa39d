#include "CraftedPackets.h"

#include "IcmpPacket.h"

#include <arpa/inet.h>
#include <cstring>

namespace test {

using win::CIcmpPacket;

IPAddr Address(const std::string& dotted)
{
    in_addr address{};
    ::inet_aton(dotted.c_str(), &address);
    return address.s_addr;
}

Bytes IcmpMessage(BYTE type, BYTE code, WORD word1, WORD word2, std::span<const BYTE> body)
{
    Bytes message(8 + body.size(), 0);
    message[0] = type;
    message[1] = code;
    CIcmpPacket::WriteWord(message, 4, word1);
    CIcmpPacket::WriteWord(message, 6, word2);
    std::copy(body.begin(), body.end(), message.begin() + 8);
    CIcmpPacket::WriteWord(message, 2, CIcmpPacket::Checksum(message));
    return message;
}

Bytes EchoReply(WORD identifier, WORD sequence, std::span<const BYTE> data)
{
    return IcmpMessage(CIcmpPacket::kEchoReply, 0, identifier, sequence, data);
}

Bytes EchoRequest(WORD identifier, WORD sequence, std::span<const BYTE> data)
{
    return IcmpMessage(CIcmpPacket::kEchoRequest, 0, identifier, sequence, data);
}

Bytes IpPacket(IPAddr source, IPAddr destination, BYTE protocol, std::span<const BYTE> payload, BYTE ttl)
{
    Bytes packet(20 + payload.size(), 0);
    packet[0] = 0x45;
    CIcmpPacket::WriteWord(packet, 2, static_cast<WORD>(packet.size()));
    packet[8] = ttl;
    packet[9] = protocol;
    std::memcpy(&packet[12], &source, 4);
    std::memcpy(&packet[16], &destination, 4);
    CIcmpPacket::WriteWord(packet, 10, CIcmpPacket::Checksum(std::span<const BYTE>(packet).first(20)));
    std::copy(payload.begin(), payload.end(), packet.begin() + 20);
    return packet;
}

Bytes ErrorQuoting(BYTE type, BYTE code, std::span<const BYTE> requestPacket)
{
    const std::size_t quoted = std::min<std::size_t>(requestPacket.size(), 28);
    return IcmpMessage(type, code, 0, 0, requestPacket.first(quoted));
}

} // namespace test
