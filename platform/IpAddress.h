#pragma once
// An IPv4 or IPv6 address as the echo facility and the trace carry it: the family, the
// bytes in network order (IPv4 in the first four) and, for a link-local IPv6 address,
// the interface it is reached on. Parses literals as users type them and prints
// RFC 5952's short form. Knows nothing of names or sockets.

#include "WinTypes.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

struct sockaddr_in6;

namespace win {

class CIpAddress {
public:
    enum class EFamily { V4, V6 };

    CIpAddress() = default;
    // An IPv4 address in network order (0.0.0.0 when nothing answered).
    CIpAddress(IPAddr v4); // NOLINT: the engine's IPv4 records convert freely
    static CIpAddress FromV6(const BYTE (&bytes)[16], ULONG scope = 0);
    static CIpAddress FromSockaddr6(const sockaddr_in6& address);

    // An IPv4 address as inet_addr takes it or an IPv6 literal, the latter also in brackets ("[2001:db8::1]")
    // and with a zone ("fe80::1%eth0", the interface's name or number). None for anything
    // else, and for a link-local address without a zone (it names no interface); a zone on
    // any other address is refused too.
    static std::optional<CIpAddress> Parse(std::string_view text);
    // What Parse refused: a link-local IPv6 address that lacks its zone.
    static bool IsLinkLocalWithoutZone(std::string_view text);

    EFamily Family() const { return m_family; }
    bool IsV6() const { return m_family == EFamily::V6; }
    IPAddr V4() const;
    const std::array<BYTE, 16>& Bytes() const { return m_bytes; }
    ULONG Scope() const { return m_scope; }
    void ToSockaddr6(sockaddr_in6& address) const;

    bool IsUnspecified() const;
    bool IsLinkLocal() const;
    bool IsMulticast() const;
    bool IsV4Mapped() const;

    // Dotted for IPv4; for IPv6 RFC 5952's short form (lower case, the longest run of zero
    // groups shortened), with "%" and the interface number for a link-local address.
    std::string Text() const;

    bool operator==(const CIpAddress& other) const = default;

private:
    EFamily m_family = EFamily::V4;
    std::array<BYTE, 16> m_bytes{};
    ULONG m_scope = 0; // interface index; link-local IPv6 only
};

} // namespace win
