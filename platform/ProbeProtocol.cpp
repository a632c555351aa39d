#include "ProbeProtocol.h"

#include <arpa/inet.h>
#include <vector>

namespace win {

namespace {

std::vector<std::string_view> Words(std::string_view line)
{
    std::vector<std::string_view> words;
    std::size_t start = 0;
    for (;;) {
        const std::size_t space = line.find(' ', start);
        words.push_back(line.substr(start, space == std::string_view::npos ? std::string_view::npos : space - start));
        if (space == std::string_view::npos)
            return words;
        start = space + 1;
    }
}

std::optional<DWORD> ParseDword(std::string_view text)
{
    const auto number = CProbeProtocol::ParseNumber(text, 0xFFFFFFFFull);
    if (!number)
        return std::nullopt;
    return static_cast<DWORD>(*number);
}

} // namespace

std::string CProbeProtocol::FormatRequest(const CProbeRequest& request)
{
    return std::to_string(request.m_token) + " echo " + request.m_destination.Text() + " ttl " +
           std::to_string(request.m_ttl) + " size " + std::to_string(request.m_dataSize) + " timeout " +
           std::to_string(request.m_timeoutMs) + "\n";
}

std::string CProbeProtocol::FormatCancel(DWORD token)
{
    return std::to_string(token) + " cancel\n";
}

std::string CProbeProtocol::FormatAnswer(const CProbeAnswer& answer)
{
    const std::string token = std::to_string(answer.m_token);
    if (!answer.m_replied)
        return token + " failed " + std::to_string(answer.m_status) + "\n";
    return token + " reply " + std::to_string(answer.m_status) + " " + answer.m_address.Text() + " " +
           std::to_string(answer.m_roundTrip.count()) + "\n";
}

std::optional<CProbeRequest> CProbeProtocol::ParseRequest(std::string_view line)
{
    const std::vector<std::string_view> words = Words(line);
    if (words.size() == 2 && words[1] == "cancel") {
        const auto token = ParseDword(words[0]);
        if (!token)
            return std::nullopt;
        CProbeRequest cancel;
        cancel.m_token = *token;
        cancel.m_cancel = true;
        return cancel;
    }
    if (words.size() != 9 || words[1] != "echo" || words[3] != "ttl" || words[5] != "size" || words[7] != "timeout")
        return std::nullopt;
    const auto token = ParseDword(words[0]);
    const auto destination = ParseAddress(words[2]);
    const auto ttl = ParseNumber(words[4], 255);
    const auto size = ParseNumber(words[6], kMaxDataSize);
    const auto timeout = ParseDword(words[8]);
    if (!token || !destination || !ttl || !size || !timeout || *ttl < kMinTtl || !MaySendTo(*destination))
        return std::nullopt;
    return CProbeRequest{*token, *destination, static_cast<BYTE>(*ttl), static_cast<BYTE>(*size), *timeout};
}

std::optional<CProbeAnswer> CProbeProtocol::ParseAnswer(std::string_view line)
{
    const std::vector<std::string_view> words = Words(line);
    const auto token = words.size() >= 3 ? ParseDword(words[0]) : std::nullopt;
    const auto status = words.size() >= 3 ? ParseDword(words[2]) : std::nullopt;
    if (!token || !status)
        return std::nullopt;
    if (words.size() == 3 && words[1] == "failed")
        return CProbeAnswer{*token, false, *status, {}, {}};
    if (words.size() != 5 || words[1] != "reply")
        return std::nullopt;
    const auto address = ParseAddress(words[3]);
    const auto microseconds = ParseNumber(words[4], 0xFFFFFFFFFFull);
    if (!address || !microseconds)
        return std::nullopt;
    return CProbeAnswer{*token, true, *status, *address, std::chrono::microseconds(*microseconds)};
}

bool CProbeProtocol::IsUnicast(IPAddr address)
{
    const std::uint32_t host = ntohl(address);
    const std::uint32_t first = host >> 24;
    return first != 0 && first < 224;
}

bool CProbeProtocol::IsUnicast(const CIpAddress& address)
{
    if (!address.IsV6())
        return IsUnicast(address.V4());
    return !address.IsUnspecified() && !address.IsMulticast() && !address.IsV4Mapped();
}

bool CProbeProtocol::MaySendTo(const CIpAddress& address)
{
    return IsUnicast(address) && (!address.IsLinkLocal() || address.Scope() != 0);
}

// Strict: the text must be exactly what Text() writes for the address it stands for, so
// that no second spelling of one address passes.
std::optional<CIpAddress> CProbeProtocol::ParseAddress(std::string_view text)
{
    if (text.find(':') == std::string_view::npos) {
        const std::optional<IPAddr> dotted = ParseDotted(text);
        return dotted ? std::optional<CIpAddress>(*dotted) : std::nullopt;
    }
    const std::size_t percent = text.find('%');
    const std::string literal(text.substr(0, percent));
    BYTE bytes[16];
    if (::inet_pton(AF_INET6, literal.c_str(), bytes) != 1)
        return std::nullopt;
    ULONG scope = 0;
    if (percent != std::string_view::npos) {
        const auto number = ParseNumber(text.substr(percent + 1), 0xFFFFFFFFull);
        if (!number || *number == 0)
            return std::nullopt;
        scope = static_cast<ULONG>(*number);
    }
    const CIpAddress address = CIpAddress::FromV6(bytes, scope);
    if (address.Text() != text)
        return std::nullopt;
    return address;
}

std::string CProbeProtocol::Dotted(IPAddr address)
{
    const std::uint32_t host = ntohl(address);
    return std::to_string(host >> 24) + "." + std::to_string((host >> 16) & 0xFF) + "." +
           std::to_string((host >> 8) & 0xFF) + "." + std::to_string(host & 0xFF);
}

std::optional<IPAddr> CProbeProtocol::ParseDotted(std::string_view text)
{
    std::uint32_t host = 0;
    std::size_t start = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = text.find('.', start);
        if ((part < 3) == (dot == std::string_view::npos))
            return std::nullopt;
        const auto octet = ParseNumber(text.substr(start, dot == std::string_view::npos ? dot : dot - start), 255);
        if (!octet)
            return std::nullopt;
        host = (host << 8) | static_cast<std::uint32_t>(*octet);
        start = dot + 1;
    }
    return htonl(host);
}

std::optional<unsigned long long> CProbeProtocol::ParseNumber(std::string_view text, unsigned long long max)
{
    if (text.empty() || text.size() > 20 || (text.size() > 1 && text[0] == '0'))
        return std::nullopt;
    unsigned long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const unsigned digit = static_cast<unsigned>(c - '0');
        if (digit > max || value > (max - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

} // namespace win
