#pragma once
// The lines that pass between the echo facility and its privileged helper quorail-probe,
// and the limits the helper holds every request to. One request a line:
//   TOKEN echo ADDRESS ttl N size N timeout MS
// where ADDRESS is dotted IPv4 or IPv6 text (a link-local one with "%" and its interface's
// number) and ttl is the hop limit for IPv6.
//   TOKEN cancel                              (no longer wanted: forgotten, never answered)
// An echo request is answered by one line carrying the same token:
//   TOKEN reply STATUS ADDRESS MICROSECONDS   (an ICMP message answered the request)
//   TOKEN failed STATUS                       (no answer in time, or a local failure)
// After start-up the helper says "ready SENDS" (the requests it sends at once before its
// rate sets in; a bare "ready" means kMaxInFlight), or "error ERRNO" when it cannot probe.

#include "IpAddress.h"
#include "WinTypes.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace win {

struct CProbeRequest {
    DWORD m_token = 0;
    CIpAddress m_destination;
    BYTE m_ttl = 0;
    BYTE m_dataSize = 0;      // bytes of data behind the ICMP header
    DWORD m_timeoutMs = 0;
    bool m_cancel = false;    // "TOKEN cancel": only m_token counts
};

struct CProbeAnswer {
    DWORD m_token = 0;
    bool m_replied = false;   // false: m_status says why nothing answered
    DWORD m_status = 0;       // IP_STATUS
    CIpAddress m_address;     // the answering node
    std::chrono::microseconds m_roundTrip{};
};

class CProbeProtocol {
public:
    static constexpr std::size_t kMaxLine = 128;       // bytes, newline included
    static constexpr std::size_t kMaxInFlight = 128;   // requests waiting for an answer
    static constexpr unsigned kMaxPerSecond = 256;     // requests sent, sustained
    static constexpr BYTE kMinTtl = 1;
    static constexpr unsigned kMaxDataSize = 255;      // the engine's probes carry 32
    static constexpr BYTE kDataByte = 'E';             // every probe's data bytes but the last two
    static constexpr const char* kReady = "ready";

    static std::string FormatRequest(const CProbeRequest& request);
    static std::string FormatCancel(DWORD token);
    static std::string FormatAnswer(const CProbeAnswer& answer);
    // Strict: exactly the form above, no other spacing, decimal numbers in range.
    static std::optional<CProbeRequest> ParseRequest(std::string_view line);
    static std::optional<CProbeAnswer> ParseAnswer(std::string_view line);

    // Unicast: not 0.0.0.0/8, multicast (224/4), reserved (240/4) nor 255.255.255.255; for
    // IPv6 not "::", not multicast (ff00::/8) and not IPv4-mapped (::ffff:0:0/96).
    static bool IsUnicast(IPAddr address);
    static bool IsUnicast(const CIpAddress& address);
    // What the helper sends to: unicast, and a link-local IPv6 address with its interface.
    static bool MaySendTo(const CIpAddress& address);
    static std::string Dotted(IPAddr address);
    static std::optional<IPAddr> ParseDotted(std::string_view text);
    // Dotted IPv4 or IPv6 text as Text() writes it (link-local with "%" and a number).
    static std::optional<CIpAddress> ParseAddress(std::string_view text);
    // A decimal number without sign, leading zero or spaces, at most max.
    static std::optional<unsigned long long> ParseNumber(std::string_view text, unsigned long long max);
};

} // namespace win
