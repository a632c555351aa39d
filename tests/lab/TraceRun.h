#pragma once
// One complete trace through the report tracer, as the tests on the test networks run it:
// its outcome, last-error value, hop records and report lines.

#include "HopResultArray.h"
#include "RouteTracer.h"
#include "WinTypes.h"

#include <string>
#include <vector>

class CTraceRun {
public:
    CTraceRun(const std::string& host, BYTE maxHops, DWORD timeoutMs, DWORD probesPerHop, bool resolveNames,
              CRouteTracer::ESchedule schedule = CRouteTracer::ESchedule::Parallel);

    BOOL m_bResult = FALSE;
    DWORD m_lastError = 0; // valid when m_bResult is FALSE
    DWORD m_unreachable = 0; // the IP_STATUS of the unreachable answer that ended the route
    CHopResultArray m_hops;
    std::vector<std::string> m_lines;
};

// A dotted IPv4 address in network order.
IPAddr LabAddress(const char* dotted);
// The text of a hop's address: dotted IPv4, or IPv6 in its short form.
std::string DottedAddress(const win::CIpAddress& address);
