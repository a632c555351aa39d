#include "IpAddress.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <net/if.h>
#include <netinet/in.h>

namespace win {

namespace {

std::string_view WithoutBrackets(std::string_view text, bool& bracketed)
{
    bracketed = text.size() >= 2 && text.front() == '[' && text.back() == ']';
    return bracketed ? text.substr(1, text.size() - 2) : text;
}

// An interface by name or by number; 0 when there is none.
ULONG InterfaceIndex(const std::string& zone)
{
    if (zone.empty() || zone.size() >= IF_NAMESIZE)
        return 0;
    if (zone.find_first_not_of("0123456789") == std::string::npos)
        return zone.size() <= 9 && zone[0] != '0' ? static_cast<ULONG>(std::stoul(zone)) : 0;
    return ::if_nametoindex(zone.c_str());
}

} // namespace

CIpAddress::CIpAddress(IPAddr v4)
{
    std::memcpy(m_bytes.data(), &v4, sizeof v4);
}

CIpAddress CIpAddress::FromV6(const BYTE (&bytes)[16], ULONG scope)
{
    CIpAddress address;
    address.m_family = EFamily::V6;
    std::memcpy(address.m_bytes.data(), bytes, 16);
    address.m_scope = address.IsLinkLocal() ? scope : 0;
    return address;
}

CIpAddress CIpAddress::FromSockaddr6(const sockaddr_in6& address)
{
    BYTE bytes[16];
    std::memcpy(bytes, &address.sin6_addr, 16);
    return FromV6(bytes, address.sin6_scope_id);
}

std::optional<CIpAddress> CIpAddress::Parse(std::string_view text)
{
    bool bracketed = false;
    const std::string_view inner = WithoutBrackets(text, bracketed);
    in_addr v4{};
    const std::string whole(inner);
    if (!bracketed && whole.find(':') == std::string::npos) {
        // Every form inet_addr takes ("127.1", "0x7f.0.0.1" too), as the program always did.
        if (::inet_aton(whole.c_str(), &v4) == 0)
            return std::nullopt;
        return CIpAddress(v4.s_addr);
    }
    const std::size_t percent = whole.find('%');
    const std::string literal = whole.substr(0, percent);
    BYTE bytes[16];
    if (::inet_pton(AF_INET6, literal.c_str(), bytes) != 1)
        return std::nullopt;
    CIpAddress address = FromV6(bytes);
    if (percent == std::string::npos)
        return address.IsLinkLocal() ? std::nullopt : std::optional<CIpAddress>(address);
    const ULONG scope = InterfaceIndex(whole.substr(percent + 1));
    if (!address.IsLinkLocal() || scope == 0)
        return std::nullopt;
    address.m_scope = scope;
    return address;
}

bool CIpAddress::IsLinkLocalWithoutZone(std::string_view text)
{
    bool bracketed = false;
    const std::string inner(WithoutBrackets(text, bracketed));
    BYTE bytes[16];
    return inner.find('%') == std::string::npos && ::inet_pton(AF_INET6, inner.c_str(), bytes) == 1 &&
           FromV6(bytes).IsLinkLocal();
}

IPAddr CIpAddress::V4() const
{
    IPAddr v4 = 0;
    if (!IsV6())
        std::memcpy(&v4, m_bytes.data(), sizeof v4);
    return v4;
}

void CIpAddress::ToSockaddr6(sockaddr_in6& address) const
{
    address = {};
    address.sin6_family = AF_INET6;
    std::memcpy(&address.sin6_addr, m_bytes.data(), 16);
    address.sin6_scope_id = m_scope;
}

bool CIpAddress::IsUnspecified() const
{
    const std::size_t size = IsV6() ? 16 : 4;
    for (std::size_t i = 0; i < size; ++i) {
        if (m_bytes[i] != 0)
            return false;
    }
    return true;
}

bool CIpAddress::IsLinkLocal() const
{
    return IsV6() && m_bytes[0] == 0xFE && (m_bytes[1] & 0xC0) == 0x80;
}

bool CIpAddress::IsMulticast() const
{
    return IsV6() ? m_bytes[0] == 0xFF : (m_bytes[0] & 0xF0) == 0xE0;
}

bool CIpAddress::IsV4Mapped() const
{
    static constexpr BYTE kPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    return IsV6() && std::memcmp(m_bytes.data(), kPrefix, sizeof kPrefix) == 0;
}

// glibc's inet_ntop already writes RFC 5952's form: lower case, no leading zeros, the
// longest run of two or more zero groups (the first of equal ones) as "::".
std::string CIpAddress::Text() const
{
    char text[INET6_ADDRSTRLEN + 16] = {};
    if (!IsV6()) {
        ::inet_ntop(AF_INET, m_bytes.data(), text, sizeof text);
        return text;
    }
    ::inet_ntop(AF_INET6, m_bytes.data(), text, sizeof text);
    std::string result = text;
    if (m_scope != 0)
        result += "%" + std::to_string(m_scope);
    return result;
}

} // namespace win
