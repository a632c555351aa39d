#include "ProbeScheduler.h"

#include "AlertableWait.h"
#include "BlockingHook.h"
#include "IcmpModule.h"
#include "LastError.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {
constexpr BYTE kProbeDataSize = 32;

const std::array<BYTE, kProbeDataSize>& ProbeData()
{
    static std::array<BYTE, kProbeDataSize> s_data = [] {
        std::array<BYTE, kProbeDataSize> data{};
        data.fill('E');
        return data;
    }();
    return s_data;
}
} // namespace

CProbeScheduler::CProbeScheduler(CRouteTracer& tracer, IPAddr target, CHopResultArray& hops, BYTE maxHops,
                                 DWORD timeoutMs, DWORD probesPerHop)
    : m_tracer(tracer)
    , m_target(target)
    , m_hops(hops)
    , m_lastTtl(maxHops)
    , m_timeoutMs(timeoutMs)
    , m_probesPerHop(probesPerHop)
{
}

CProbeScheduler::~CProbeScheduler()
{
    if (m_handle != INVALID_HANDLE_VALUE)
        g_pfnIcmpCloseHandle(m_handle);
}

BOOL CProbeScheduler::Run()
{
    if (m_lastTtl == 0)
        return TRUE;
    m_handle = g_pfnIcmpCreateFile();
    if (m_handle == INVALID_HANDLE_VALUE)
        return FALSE;
    for (;;) {
        if (!win::IsBlockingCallCancelled())
            SendMore();
        if (m_bAsyncRefused)
            return FALSE;
        if (!ReportFinished())
            return FALSE;
        if (m_reported >= m_lastTtl)
            return TRUE;
        if (win::IsBlockingCallCancelled())
            return Fail(ERROR_CANCELLED);
        const Clock::time_point now = Clock::now();
        const Clock::time_point next = GiveUpLost(now);
        if (next <= now)
            continue;
        DWORD waitMs = m_timeoutMs;
        if (next != Clock::time_point::max())
            waitMs = static_cast<DWORD>(std::chrono::ceil<std::chrono::milliseconds>(next - now).count());
        win::SleepEx(waitMs, TRUE);
    }
}

BOOL CProbeScheduler::Fail(DWORD error)
{
    win::SetLastError(error);
    return FALSE;
}

void CProbeScheduler::SendMore()
{
    while (m_inFlight < kMaxInFlight && m_nextTtl <= m_lastTtl) {
        if (m_probing.size() < m_nextTtl) {
            m_probing.emplace_back();
            m_probing.back().m_probes.resize(m_probesPerHop);
            for (CProbe& probe : m_probing.back().m_probes) {
                probe.m_owner = this;
                probe.m_ttl = m_nextTtl;
            }
        }
        CHop& hop = m_probing[m_nextTtl - 1];
        // Probes behind a failed one do not count; they need not go out.
        const bool needed = std::none_of(hop.m_probes.begin(), hop.m_probes.begin() + m_nextProbe,
                                         [](const CProbe& probe) { return probe.m_state == CProbe::EState::Done &&
                                                                          probe.m_error != 0; });
        if (needed)
            Send(hop.m_probes[m_nextProbe], static_cast<BYTE>(m_nextTtl));
        if (++m_nextProbe == m_probesPerHop) {
            m_nextProbe = 0;
            ++m_nextTtl;
        }
    }
}

void CProbeScheduler::Send(CProbe& probe, BYTE ttl)
{
    probe.m_state = CProbe::EState::InFlight;
    probe.m_sent = Clock::now();
    ++m_inFlight;
    win::IP_OPTION_INFORMATION options{};
    options.Ttl = ttl;
    g_pfnIcmpSendEcho2(m_handle, nullptr, &OnProbeDone, &probe, m_target, ProbeData().data(), kProbeDataSize, &options,
                       probe.m_buffer.data(), static_cast<DWORD>(probe.m_buffer.size()), m_timeoutMs);
    const DWORD status = win::GetLastError();
    if (status == ERROR_NOT_SUPPORTED)
        m_bAsyncRefused = true;
    if (status == ERROR_IO_PENDING)
        return;
    --m_inFlight;
    Finish(probe, status);
}

void CProbeScheduler::OnProbeDone(void* context, void*, ULONG)
{
    CProbe& probe = *static_cast<CProbe*>(context);
    --probe.m_owner->m_inFlight;
    if (probe.m_state != CProbe::EState::InFlight)
        return;
    if (g_pfnIcmpParseReplies(probe.m_buffer.data(), static_cast<DWORD>(probe.m_buffer.size())) != 1) {
        probe.m_owner->Finish(probe, win::GetLastError());
        return;
    }
    win::ICMP_ECHO_REPLY record{};
    std::memcpy(&record, probe.m_buffer.data(), sizeof record);
    probe.m_address = record.Address;
    probe.m_rtt = record.RoundTripTime;
    probe.m_status = record.Status;
    probe.m_owner->Finish(probe, 0);
    probe.m_owner->TellAddress(probe);
}

void CProbeScheduler::Finish(CProbe& probe, DWORD error)
{
    if (probe.m_state == CProbe::EState::Done)
        return;
    probe.m_state = CProbe::EState::Done;
    probe.m_error = error;
}

std::size_t CProbeScheduler::Counted(const CHop& hop) const
{
    for (std::size_t i = 0; i < hop.m_probes.size(); ++i) {
        const CProbe& probe = hop.m_probes[i];
        if (probe.m_state == CProbe::EState::Done && probe.m_error != 0)
            return i + 1;
        if (probe.m_state != CProbe::EState::Done)
            return 0;
    }
    return hop.m_probes.size();
}

void CProbeScheduler::TellAddress(const CProbe& probe)
{
    if (probe.m_ttl > m_lastTtl || probe.m_ttl <= m_reported)
        return;
    CHop& hop = m_probing[probe.m_ttl - 1];
    if (hop.m_bAddressTold)
        return;
    hop.m_bAddressTold = true;
    m_tracer.OnHopAddress(static_cast<int>(probe.m_ttl), probe.m_address);
}

BOOL CProbeScheduler::ReportFinished()
{
    while (m_reported < m_lastTtl && m_reported < m_probing.size()) {
        CHop& hop = m_probing[m_reported];
        const std::size_t counted = Counted(hop);
        if (counted == 0)
            return TRUE;
        for (std::size_t i = counted; i < hop.m_probes.size(); ++i)
            Finish(hop.m_probes[i], IP_REQ_TIMED_OUT);
        if (!Report(++m_reported, hop, counted))
            return FALSE;
    }
    return TRUE;
}

BOOL CProbeScheduler::Report(unsigned ttl, CHop& hop, std::size_t counted)
{
    HopResult record{0, 0, 0xFFFFFFFFu, 0, 0};
    DWORD sum = 0;
    DWORD unreachable = 0;
    PingReply reply{0, 0, 0};
    for (std::size_t i = 0; i < counted; ++i) {
        const CProbe& probe = hop.m_probes[i];
        if (probe.m_error != 0) {
            if (ttl == 1 && i == 0 && CRouteTracer::NoRouteFailure(probe.m_error) != 0)
                return Fail(CRouteTracer::NoRouteFailure(probe.m_error));
            record.dwError = probe.m_error;
            break;
        }
        if (unreachable == 0 && CRouteTracer::EndsRoute(probe.m_status))
            unreachable = probe.m_status;
        reply.Address = probe.m_address;
        reply.RTT = probe.m_rtt;
        sum += reply.RTT;
        record.MinRTT = std::min(record.MinRTT, reply.RTT);
        record.MaxRTT = std::max(record.MaxRTT, reply.RTT);
        if (!m_tracer.OnPingResult(static_cast<int>(i + 1), reply))
            return Fail(ERROR_CANCELLED);
    }
    record.Address = reply.Address;
    if (record.dwError != 0)
        record.MinRTT = record.AvgRTT = record.MaxRTT = 0;
    else
        record.AvgRTT = sum / m_probesPerHop;
    if (!m_tracer.OnSingleHostResult(static_cast<int>(ttl), record))
        return Fail(ERROR_CANCELLED);
    m_hops.Add(record);
    if (record.Address == m_target || unreachable != 0) {
        // The route ends here: answers for higher TTLs no longer count.
        m_tracer.m_dwUnreachable = unreachable;
        m_lastTtl = ttl;
        for (std::size_t i = ttl; i < m_probing.size(); ++i) {
            for (CProbe& probe : m_probing[i].m_probes)
                Finish(probe, IP_REQ_TIMED_OUT);
        }
    }
    return TRUE;
}

CProbeScheduler::Clock::time_point CProbeScheduler::GiveUpLost(Clock::time_point now)
{
    Clock::time_point next = Clock::time_point::max();
    std::optional<DWORD> slowestAbove; // ms: the slowest answer of a higher TTL
    const auto timeout = std::chrono::milliseconds(m_timeoutMs);
    for (std::size_t i = std::min<std::size_t>(m_probing.size(), m_lastTtl); i-- > m_reported;) {
        CHop& hop = m_probing[i];
        if (slowestAbove) {
            const auto evidence = std::chrono::milliseconds(kGiveUpFactor * (std::int64_t{*slowestAbove} + 1));
            const auto wait = std::min<Clock::duration>(timeout, std::max<Clock::duration>(kGiveUpFloor, evidence));
            for (CProbe& probe : hop.m_probes) {
                if (probe.m_state != CProbe::EState::InFlight)
                    continue;
                if (now >= probe.m_sent + wait)
                    Finish(probe, IP_REQ_TIMED_OUT);
                next = std::min(next, probe.m_state == CProbe::EState::InFlight ? probe.m_sent + wait : now);
            }
        }
        for (const CProbe& probe : hop.m_probes) {
            if (probe.m_state == CProbe::EState::Done && probe.m_error == 0)
                slowestAbove = std::max(slowestAbove.value_or(0), probe.m_rtt);
        }
    }
    return next;
}
