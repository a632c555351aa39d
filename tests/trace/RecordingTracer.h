#pragma once
// A report tracer that records the order of its callbacks and can cancel at a chosen one.

#include "ReportTracer.h"

#include <string>
#include <vector>

class CRecordingTracer : public CReportTracer {
public:
    std::vector<std::string> m_events; // "P<probe>@<ttl>" and "H<hop>"
    int m_cancelProbeAtTtl = 0;        // OnPingResult returns FALSE for the first probe of this TTL
    int m_cancelHop = 0;               // OnSingleHostResult returns FALSE for this hop
    int m_currentTtl = 1;

protected:
    BOOL OnPingResult(int probeNumber, PingReply& reply) override;
    BOOL OnSingleHostResult(int hopNumber, HopResult& hop) override;
};
