#include "RecordingTracer.h"

BOOL CRecordingTracer::OnPingResult(int probeNumber, PingReply& reply)
{
    m_events.push_back("P" + std::to_string(probeNumber) + "@" + std::to_string(m_currentTtl));
    if (m_currentTtl == m_cancelProbeAtTtl && probeNumber == 1)
        return FALSE;
    return CReportTracer::OnPingResult(probeNumber, reply);
}

BOOL CRecordingTracer::OnSingleHostResult(int hopNumber, HopResult& hop)
{
    m_events.push_back("H" + std::to_string(hopNumber));
    ++m_currentTtl;
    if (hopNumber == m_cancelHop)
        return FALSE;
    return CReportTracer::OnSingleHostResult(hopNumber, hop);
}
