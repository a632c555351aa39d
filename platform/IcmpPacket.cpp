#include "IcmpPacket.h"

namespace win {

namespace {

// The ones' complement sum of bytes as big-endian words, an odd last byte padded with zero.
WORD OnesComplementSum(std::span<const BYTE> bytes)
{
    std::uint32_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2)
        sum += static_cast<std::uint32_t>(bytes[i] << 8 | bytes[i + 1]);
    if (i < bytes.size())
        sum += static_cast<std::uint32_t>(bytes[i] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFFu) + (sum >> 16);
    return static_cast<WORD>(sum);
}

} // namespace

WORD CIcmpPacket::Checksum(std::span<const BYTE> bytes)
{
    return static_cast<WORD>(~OnesComplementSum(bytes) & 0xFFFFu);
}

void CIcmpPacket::KeepFlowSum(std::span<BYTE> message)
{
    const std::size_t size = message.size();
    if (size < kHeaderSize + kFlowWordSize)
        return;
    const BYTE checksumHigh = message[2];
    const BYTE checksumLow = message[3];
    message[2] = message[3] = 0;
    message[size - 2] = message[size - 1] = 0;
    const std::uint32_t rest = OnesComplementSum(message);
    message[2] = checksumHigh;
    message[3] = checksumLow;
    // kFlowSum minus the rest, in ones' complement: adding the complement.
    std::uint32_t word = std::uint32_t{kFlowSum} + (~rest & 0xFFFFu);
    word = (word & 0xFFFFu) + (word >> 16);
    // An even offset holds the word as it is; at an odd one its bytes count swapped (the
    // first is a low byte, the second the padded high byte of the last word).
    const bool even = (size - 2) % 2 == 0;
    message[size - 2] = static_cast<BYTE>(even ? word >> 8 : word & 0xFF);
    message[size - 1] = static_cast<BYTE>(even ? word & 0xFF : word >> 8);
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
    KeepFlowSum(packet);
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
