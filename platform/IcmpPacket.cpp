#include "IcmpPacket.h"

namespace win {

WORD CIcmpPacket::Checksum(std::span<const BYTE> bytes)
{
    std::uint32_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2)
        sum += static_cast<std::uint32_t>(bytes[i] << 8 | bytes[i + 1]);
    if (i < bytes.size())
        sum += static_cast<std::uint32_t>(bytes[i] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFFu) + (sum >> 16);
    return static_cast<WORD>(~sum & 0xFFFFu);
}

bool CIcmpPacket::ChecksumValid(std::span<const BYTE> bytes)
{
    return Checksum(bytes) == 0;
}

std::vector<BYTE> CIcmpPacket::BuildEchoRequest(WORD identifier, WORD sequence, std::span<const BYTE> data)
{
    std::vector<BYTE> packet;
    BuildEchoRequest(identifier, sequence, data, packet);
    return packet;
}

void CIcmpPacket::BuildEchoRequest(WORD identifier, WORD sequence, std::span<const BYTE> data,
                                   std::vector<BYTE>& packet)
{
    BuildEchoRequest(false, identifier, sequence, data, packet);
}

void CIcmpPacket::BuildEchoRequest(bool v6, WORD identifier, WORD sequence, std::span<const BYTE> data,
                                   std::vector<BYTE>& packet)
{
    packet.assign(kHeaderSize, 0);
    packet.insert(packet.end(), data.begin(), data.end());
    packet[0] = v6 ? kV6EchoRequest : kEchoRequest;
    WriteWord(packet, 4, identifier);
    WriteWord(packet, 6, sequence);
    if (!v6)
        WriteWord(packet, 2, Checksum(packet));
}

WORD CIcmpPacket::ReadWord(std::span<const BYTE> bytes, std::size_t offset)
{
    return static_cast<WORD>(bytes[offset] << 8 | bytes[offset + 1]);
}

void CIcmpPacket::WriteWord(std::span<BYTE> bytes, std::size_t offset, WORD value)
{
    bytes[offset] = static_cast<BYTE>(value >> 8);
    bytes[offset + 1] = static_cast<BYTE>(value & 0xFF);
}

} // namespace win
