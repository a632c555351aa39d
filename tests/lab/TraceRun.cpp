#include "TraceRun.h"

#include "LastError.h"
#include "ReportTracer.h"

#include <arpa/inet.h>

CTraceRun::CTraceRun(const std::string& host, BYTE maxHops, DWORD timeoutMs, DWORD probesPerHop, bool resolveNames,
                     CRouteTracer::ESchedule schedule)
{
    g_bResolveNames = resolveNames ? TRUE : FALSE;
    CReportTracer tracer;
    tracer.SetSchedule(schedule);
    win::SetLastError(0);
    m_bResult = tracer.Trace(host, m_hops, maxHops, timeoutMs, probesPerHop);
    m_lastError = win::GetLastError();
    m_unreachable = tracer.GetUnreachableStatus();
    m_lines = tracer.m_Lines;
}

IPAddr LabAddress(const char* dotted)
{
    in_addr address{};
    inet_pton(AF_INET, dotted, &address);
    return address.s_addr;
}

std::string DottedAddress(const win::CIpAddress& address)
{
    return address.Text();
}
