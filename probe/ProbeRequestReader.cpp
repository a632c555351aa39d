#include "ProbeRequestReader.h"

void CProbeRequestReader::Feed(std::span<const char> bytes)
{
    m_buffer.append(bytes.data(), bytes.size());
}

CProbeRequestReader::ERead CProbeRequestReader::Next(win::CProbeRequest& request)
{
    const std::size_t end = m_buffer.find('\n');
    if (end == std::string::npos)
        return m_buffer.size() < win::CProbeProtocol::kMaxLine ? ERead::NeedMore : ERead::Bad;
    if (end + 1 > win::CProbeProtocol::kMaxLine)
        return ERead::Bad;
    const std::optional<win::CProbeRequest> parsed =
        win::CProbeProtocol::ParseRequest(std::string_view(m_buffer).substr(0, end));
    m_buffer.erase(0, end + 1);
    if (!parsed)
        return ERead::Bad;
    request = *parsed;
    return ERead::Request;
}
