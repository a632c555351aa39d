#pragma once
// A tracer that turns each finished hop into one tab-separated report line, at the
// moment the hop is finished, and keeps the lines in hop order. It never cancels.

#include "RouteTracer.h"

#include <string>
#include <vector>

// When set, each answered hop's address is looked up for a host name.
extern BOOL g_bResolveNames;

class CReportTracer : public CRouteTracer {
public:
    // The report lines so far, one per finished hop; Windows-1252 bytes, no line ends.
    std::vector<std::string> m_Lines;

    // The line for one hop; looks its address up when g_bResolveNames is set.
    static std::string FormatHopLine(int hopNumber, const HopResult& hop);

protected:
    BOOL OnSingleHostResult(int hopNumber, HopResult& hop) override;
};
