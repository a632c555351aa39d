#include "ProbeScheduler.h"

#include "AlertableWait.h"
#include "BlockingHook.h"
#include "EchoCalls.h"
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

CProbeScheduler::CProbeScheduler(CRouteTracer& tracer, const win::CIpAddress& target, CHopResultArray& hops, BYTE maxHops,
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
    m_handle = CEchoCalls::Open(m_target);
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
        Clock::time_point next = GiveUpOrAskAgain(now);
        if (m_busySince != Clock::time_point::max())
            next = std::min(next, m_busyUntil);
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
    while (m_inFlight < kMaxInFlight && m_nextTtl <= m_lastTtl && Clock::now() >= m_busyUntil) {
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
        if (needed && !Ask(hop.m_probes[m_nextProbe]))
            return;
        if (++m_nextProbe == m_probesPerHop) {
            m_nextProbe = 0;
            ++m_nextTtl;
        }
    }
}

bool CProbeScheduler::Ask(CProbe& probe)
{
    const Clock::time_point now = Clock::now();
    const bool first = probe.m_asks == 0;
    DWORD timeoutMs = m_timeoutMs;
    if (!first) {
        // Asked again: it ends with the first request, when the probe's timeout is over.
        const auto left = probe.m_firstSent + std::chrono::milliseconds(m_timeoutMs) - now;
        timeoutMs = static_cast<DWORD>(std::max<long long>(1, std::chrono::ceil<std::chrono::milliseconds>(left).count()));
    }
    CRequest& request = probe.m_requests[probe.m_asks];
    request.m_probe = &probe;
    request.m_bWaiting = true;
    ++m_inFlight;
    win::IP_OPTION_INFORMATION options{};
    options.Ttl = static_cast<BYTE>(probe.m_ttl);
    CEchoCalls::Send(m_handle, &OnRequestDone, &request, m_target, ProbeData().data(), kProbeDataSize, options,
                     request.m_buffer.data(), static_cast<DWORD>(request.m_buffer.size()), timeoutMs);
    const DWORD status = win::GetLastError();
    if (status == ERROR_NOT_SUPPORTED)
        m_bAsyncRefused = true;
    if (status == ERROR_IO_PENDING) {
        if (first) {
            probe.m_state = CProbe::EState::InFlight;
            probe.m_firstSent = now;
            m_busySince = Clock::time_point::max();
        }
        probe.m_sent = now;
        ++probe.m_asks;
        return true;
    }
    --m_inFlight;
    request.m_bWaiting = false;
    // The facility would send nothing now (the probe helper's rate): the probe tries again
    // shortly, a first request for as long as its timeout, so that its clock starts when
    // it goes out. A request asked again that fails leaves the first one waiting.
    if (status == IP_NO_RESOURCES)
        m_busyUntil = now + kBusyPause;
    if (!first)
        return status != IP_NO_RESOURCES;
    m_busySince = std::min(m_busySince, now);
    if (status == IP_NO_RESOURCES && now - m_busySince < std::chrono::milliseconds(m_timeoutMs))
        return false;
    m_busySince = Clock::time_point::max();
    Finish(probe, status);
    return true;
}

void CProbeScheduler::OnRequestDone(void* context, void*, ULONG)
{
    CRequest& request = *static_cast<CRequest*>(context);
    CProbe& probe = *request.m_probe;
    CProbeScheduler& owner = *probe.m_owner;
    --owner.m_inFlight;
    request.m_bWaiting = false;
    if (probe.m_state != CProbe::EState::InFlight)
        return;
    const DWORD size = static_cast<DWORD>(request.m_buffer.size());
    if (CEchoCalls::Parse(owner.m_target, request.m_buffer.data(), size, probe.m_address, probe.m_rtt) != 1) {
        const DWORD error = win::GetLastError();
        // The probe's other request may still be answered.
        const bool otherWaits = std::any_of(probe.m_requests.begin(), probe.m_requests.end(),
                                            [](const CRequest& other) { return other.m_bWaiting; });
        if (!otherWaits)
            owner.Finish(probe, error);
        return;
    }
    probe.m_status = CEchoCalls::ReadStatus(owner.m_target, request.m_buffer.data());
    probe.m_answered = Clock::now();
    owner.Finish(probe, 0);
    owner.TellAddress(probe);
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
    HopResult record{0, {}, 0xFFFFFFFFu, 0, 0};
    DWORD sum = 0;
    DWORD unreachable = 0;
    PingReply reply{0, {}, 0};
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

CProbeScheduler::Clock::time_point CProbeScheduler::GiveUpOrAskAgain(Clock::time_point now)
{
    Clock::time_point next = Clock::time_point::max();
    CEvidence evidence;
    for (std::size_t i = std::min<std::size_t>(m_probing.size(), m_lastTtl); i-- > m_reported;) {
        CHop& hop = m_probing[i];
        evidence.m_here = SlowestAnswer(hop);
        bool earlierAnswered = true;
        for (CProbe& probe : hop.m_probes) {
            if (probe.m_state == CProbe::EState::InFlight)
                next = std::min(next, NextStep(hop, probe, earlierAnswered, evidence, now));
            earlierAnswered = earlierAnswered && probe.m_state == CProbe::EState::Done && probe.m_error == 0;
        }
        if (evidence.m_here) {
            evidence.m_next = evidence.m_here;
            evidence.m_above = std::max(evidence.m_above.value_or(0), *evidence.m_here);
        }
    }
    return next;
}

CProbeScheduler::Clock::time_point CProbeScheduler::NextStep(CHop& hop, CProbe& probe, bool firstUnanswered,
                                                             const CEvidence& evidence, Clock::time_point now)
{
    const Clock::time_point deadline = probe.m_firstSent + std::chrono::milliseconds(m_timeoutMs);
    if (probe.m_asks < kMaxAsks) {
        // Asked again when its router can answer once more and the answer has time to come.
        const Clock::time_point askAt = firstUnanswered ? Refilled(hop) : now + kRefill;
        if (askAt + kAskAgainFloor <= deadline) {
            if (!firstUnanswered)
                return Clock::time_point::max(); // its turn comes when the probes before it are done
            if (now < askAt)
                return askAt;
            if (m_inFlight >= kMaxInFlight || now < m_busyUntil || !Ask(probe))
                return std::max(now + kBusyPause, m_busyUntil);
        }
    }
    std::optional<Clock::duration> wait;
    if (probe.m_asks > 1 && (evidence.m_here || evidence.m_next)) {
        // The router was heard from before, or the path beyond it answers: its answer to
        // a request asked again is late after a few of those round trips.
        const DWORD expected = evidence.m_here.value_or(*evidence.m_next);
        wait = std::max<Clock::duration>(kAskAgainFloor,
                                         std::chrono::milliseconds(kAskAgainFactor * (std::int64_t{expected} + 1)));
    } else if (probe.m_asks == 1 && evidence.m_above) {
        wait = std::max<Clock::duration>(kGiveUpFloor,
                                         std::chrono::milliseconds(kGiveUpFactor * (std::int64_t{*evidence.m_above} + 1)));
    }
    if (!wait)
        return Clock::time_point::max(); // the echo facility ends it at its timeout
    const Clock::time_point due = std::min(deadline, probe.m_sent + *wait);
    if (now < due)
        return due;
    Finish(probe, IP_REQ_TIMED_OUT);
    return now; // its hop may be finished now
}

// A Linux router's allowance refills one answer a second, counted from its last answer
// to us; when it answered none of the hop's probes, it had less than one when they came.
CProbeScheduler::Clock::time_point CProbeScheduler::Refilled(const CHop& hop)
{
    std::optional<Clock::time_point> last;
    Clock::time_point first = Clock::time_point::max();
    for (const CProbe& probe : hop.m_probes) {
        if (probe.m_state == CProbe::EState::Done && probe.m_error == 0)
            last = std::max(last.value_or(probe.m_answered), probe.m_answered);
        if (probe.m_asks > 0)
            first = std::min(first, probe.m_firstSent);
    }
    return (last ? *last : first) + kRefill;
}

std::optional<DWORD> CProbeScheduler::SlowestAnswer(const CHop& hop)
{
    std::optional<DWORD> slowest;
    for (const CProbe& probe : hop.m_probes) {
        if (probe.m_state == CProbe::EState::Done && probe.m_error == 0)
            slowest = std::max(slowest.value_or(0), probe.m_rtt);
    }
    return slowest;
}
