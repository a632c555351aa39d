// libFuzzer entry for the echo facility's packet matching. The first bytes choose the
// form (raw, datagram, error queue, each of IPv4 or IPv6) and the request to match; the
// rest is the packet.
// Besides not crashing, an answer must point inside the input and carry a known status.

#include "EchoMatcher.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace {

constexpr std::size_t kPrefixSize = 36;

std::uint32_t Read32(const std::uint8_t* at)
{
    std::uint32_t value = 0;
    std::memcpy(&value, at, sizeof value);
    return value;
}

WORD Read16(const std::uint8_t* at)
{
    return static_cast<WORD>(at[0] << 8 | at[1]);
}

void Check(const std::optional<win::CEchoAnswer>& answer, std::span<const BYTE> packet)
{
    if (!answer)
        return;
    const bool knownStatus = answer->m_status == IP_SUCCESS ||
                             (answer->m_status >= IP_DEST_NET_UNREACHABLE && answer->m_status <= IP_SOURCE_QUENCH) ||
                             answer->m_status == IP_DEST_UNREACHABLE || answer->m_status == IP_TIME_EXCEEDED ||
                             answer->m_status == IP_DEST_SCOPE_MISMATCH;
    if (!knownStatus)
        __builtin_trap();
    if (!answer->m_data.empty() &&
        (answer->m_data.data() < packet.data() ||
         answer->m_data.data() + answer->m_data.size() > packet.data() + packet.size()))
        __builtin_trap();
    if (answer->m_status != IP_SUCCESS && !answer->m_data.empty())
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < kPrefixSize)
        return 0;
    BYTE v6[16];
    std::memcpy(v6, data + 20, sizeof v6);
    const win::CIpAddress address6 = win::CIpAddress::FromV6(v6);
    const win::CEchoMatcher matcher(Read32(data + 1), Read16(data + 5), Read16(data + 7));
    const win::CEchoMatcher matcher6(address6, Read16(data + 5), Read16(data + 7));
    const std::span<const BYTE> packet(data + kPrefixSize, size - kPrefixSize);
    switch (data[0] % 6) {
    case 3:
        Check(matcher6.MatchRaw6(packet, address6, data[9]), packet);
        break;
    case 4:
        Check(matcher6.MatchDatagram(packet, address6), packet);
        break;
    case 5: {
        const win::CEchoMatcher::CQueuedError error{data[9], data[10], data[11], address6, address6};
        Check(matcher6.MatchQueuedError(error, packet), packet);
        break;
    }
    case 0:
        Check(matcher.MatchRaw(packet), packet);
        break;
    case 1:
        Check(matcher.MatchDatagram(packet, Read32(data + 12)), packet);
        break;
    default: {
        const win::CEchoMatcher::CQueuedError error{data[9], data[10], data[11], Read32(data + 12), Read32(data + 16)};
        Check(matcher.MatchQueuedError(error, packet), packet);
        break;
    }
    }
    return 0;
}
