#pragma once
// A tracer that turns each finished hop into one tab-separated report line, at the
// moment the hop is finished, and keeps the lines in hop order. It never cancels. Under
// the parallel schedule the names of the hops are looked up side by side as soon as
// their addresses are known; under the sequential one each hop's name when it is finished.

#include "NameLookups.h"
#include "RouteTracer.h"

#include <string>
#include <vector>

// When set, each answered hop's address is looked up for a host name.
extern BOOL g_bResolveNames;

class CReportTracer : public CRouteTracer {
public:
    // The report lines so far, one per finished hop; Windows-1252 bytes, no line ends.
    std::vector<std::string> m_Lines;

    // The line for one hop; looks its address up, then and there, when g_bResolveNames is set.
    static std::string FormatHopLine(int hopNumber, const HopResult& hop);

protected:
    BOOL OnSingleHostResult(int hopNumber, HopResult& hop) override;
    void OnHopAddress(int hopNumber, const win::CIpAddress& address) override;
    void OnTraceEnd() override;

private:
    std::string MakeHopLine(int hopNumber, const HopResult& hop);

    CNameLookups m_names;
};
