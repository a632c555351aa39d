#include "ReportTracer.h"

#include "WinSock.h"

#include <cstdio>
#include <sys/socket.h>

BOOL g_bResolveNames = FALSE;

namespace {

std::string FormatNumbers(int hopNumber, const HopResult& hop)
{
    char text[192];
    std::snprintf(text, sizeof text, "%d\t%d\t%d\t%d\t[%s]", hopNumber, static_cast<int>(hop.MinRTT),
                  static_cast<int>(hop.AvgRTT), static_cast<int>(hop.MaxRTT), hop.Address.Text().c_str());
    return text;
}

std::string FormatError(int hopNumber, const HopResult& hop)
{
    char text[96];
    std::snprintf(text, sizeof text, "%d\t*\t*\t*\tFehler:\t\t%d", hopNumber, static_cast<int>(hop.dwError));
    return text;
}

} // namespace

std::string CReportTracer::FormatHopLine(int hopNumber, const HopResult& hop)
{
    if (hop.dwError != 0)
        return FormatError(hopNumber, hop);
    std::string line = FormatNumbers(hopNumber, hop);
    if (!g_bResolveNames)
        return line;
    const bool v6 = hop.Address.IsV6();
    const hostent* entry = win::gethostbyaddr(reinterpret_cast<const char*>(hop.Address.Bytes().data()), v6 ? 16 : 4,
                                              v6 ? AF_INET6 : AF_INET);
    if (entry != nullptr && entry->h_name != nullptr)
        line += std::string("\t") + entry->h_name;
    return line;
}

std::string CReportTracer::MakeHopLine(int hopNumber, const HopResult& hop)
{
    if (hop.dwError != 0 || !g_bResolveNames || GetSchedule() == ESchedule::Sequential)
        return FormatHopLine(hopNumber, hop);
    std::string line = FormatNumbers(hopNumber, hop);
    if (const std::optional<std::string> name = m_names.Name(hop.Address))
        line += "\t" + *name;
    return line;
}

BOOL CReportTracer::OnSingleHostResult(int hopNumber, HopResult& hop)
{
    m_Lines.push_back(MakeHopLine(hopNumber, hop));
    return TRUE;
}

void CReportTracer::OnHopAddress(int, const win::CIpAddress& address)
{
    if (g_bResolveNames)
        m_names.Start(address);
}

void CReportTracer::OnTraceEnd()
{
    m_names.Abandon();
}
