#include "WatchRounds.h"

#include "AlertableWait.h"
#include "EchoCalls.h"
#include "IcmpModule.h"
#include "LastError.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>

namespace {
constexpr BYTE kProbeDataSize = 32;
constexpr std::size_t kMaxKnown = 1024; // responders whose names are looked up at most
constexpr DWORD kLongestWaitMs = 100;   // so that names found are collected while nothing else is due

const std::array<BYTE, kProbeDataSize>& ProbeData()
{
    static const std::array<BYTE, kProbeDataSize> s_data = [] {
        std::array<BYTE, kProbeDataSize> data{};
        data.fill('E');
        return data;
    }();
    return s_data;
}

// An answer's round trip in ms, to the microsecond where the record keeps it.
double RoundTripMs(const win::CIpAddress& target, const BYTE* reply)
{
    if (target.IsV6()) {
        win::ICMPV6_ECHO_REPLY record{};
        std::memcpy(&record, reply, sizeof record);
        return static_cast<double>(win::IcmpReplyMicroseconds(record)) / 1000.0;
    }
    win::ICMP_ECHO_REPLY record{};
    std::memcpy(&record, reply, sizeof record);
    return static_cast<double>(win::IcmpReplyMicroseconds(record)) / 1000.0;
}

DWORD ReplyStatus(const win::CIpAddress& target, const BYTE* reply)
{
    if (target.IsV6()) {
        win::ICMPV6_ECHO_REPLY record{};
        std::memcpy(&record, reply, sizeof record);
        return record.Status;
    }
    win::ICMP_ECHO_REPLY record{};
    std::memcpy(&record, reply, sizeof record);
    return record.Status;
}
} // namespace

CWatchRounds::CWatchRounds(CWatchBoard& board, const CSettings& settings, CStopSignal& stop)
    : m_board(board)
    , m_settings(settings)
    , m_stop(stop)
    , m_nPathLength(settings.nMaxHops)
    , m_budget(CProbeBudget::Process())
{
    for (CProbe& probe : m_probes)
        probe.m_owner = this;
}

CWatchRounds::~CWatchRounds()
{
    if (m_handle != INVALID_HANDLE_VALUE)
        g_pfnIcmpCloseHandle(m_handle);
    // Closing dropped the requests still waiting, without their routines: their places go back.
    for (; m_nInFlight > 0; --m_nInFlight)
        m_budget.Give();
    m_names.Abandon();
}

void CWatchRounds::Run()
{
    win::AddAlertableSource(&m_stop);
    if (!CEchoCalls::Available(m_settings.target, true)) {
        m_board.Finish(ERROR_NOT_SUPPORTED, {});
        return;
    }
    m_handle = CEchoCalls::Open(m_settings.target);
    if (m_handle == INVALID_HANDLE_VALUE) {
        m_board.Finish(win::GetLastError(), {});
        return;
    }
    m_due = Clock::now();
    bool roundOpen = false;
    while (!m_stop.Raised() && m_nFailure == 0) {
        const Clock::time_point now = Clock::now();
        const bool moreRounds = m_settings.nCycles == 0 || m_nRound < m_settings.nCycles;
        if (!roundOpen && moreRounds && now >= m_due) {
            ++m_nRound;
            m_nNextTtl = 1;
            roundOpen = true;
            m_board.AddRound();
            m_due = std::max(m_due + m_settings.interval, now);
        }
        if (roundOpen)
            roundOpen = SendRound(now);
        if (!roundOpen && !moreRounds && m_nInFlight == 0)
            break;
        win::SleepEx(WaitMs(Clock::now(), roundOpen, moreRounds), TRUE);
        CollectNames();
    }
    m_board.Finish(m_nFailure, {});
}

DWORD CWatchRounds::WaitMs(Clock::time_point now, bool bRoundOpen, bool bMoreRounds) const
{
    Clock::time_point wake = now + std::chrono::milliseconds(kLongestWaitMs);
    if (bRoundOpen && m_nInFlight < kMaxInFlight)
        wake = std::min(wake, m_budget.NextToken(now));
    if (!bRoundOpen && bMoreRounds)
        wake = std::min(wake, m_due);
    if (wake <= now)
        return 0;
    return static_cast<DWORD>(std::chrono::ceil<std::chrono::milliseconds>(wake - now).count());
}

bool CWatchRounds::SendRound(Clock::time_point now)
{
    while (m_nNextTtl <= m_nPathLength) {
        CProbe* probe = FreeProbe();
        if (probe == nullptr || !m_budget.Take(now))
            return true;
        probe->m_nRound = m_nRound;
        probe->m_nTtl = m_nNextTtl;
        const DWORD status = Send(*probe);
        if (status == IP_NO_RESOURCES) {
            // The probe helper sends nothing it could not send at once: the same TTL
            // again once its rate allows.
            m_budget.Spend();
            return true;
        }
        if (status != ERROR_IO_PENDING) {
            m_nFailure = status != 0 ? status : IP_GENERAL_FAILURE;
            return false;
        }
        ++m_nNextTtl;
    }
    return false;
}

CWatchRounds::CProbe* CWatchRounds::FreeProbe()
{
    if (m_nInFlight >= kMaxInFlight)
        return nullptr;
    const auto free = std::find_if(m_probes.begin(), m_probes.end(), [](const CProbe& probe) { return !probe.m_bBusy; });
    return free != m_probes.end() ? &*free : nullptr;
}

DWORD CWatchRounds::Send(CProbe& probe)
{
    win::IP_OPTION_INFORMATION options{};
    options.Ttl = static_cast<BYTE>(probe.m_nTtl);
    probe.m_bBusy = true;
    ++m_nInFlight;
    CEchoCalls::Send(m_handle, &OnProbeDone, &probe, m_settings.target, ProbeData().data(), kProbeDataSize, options,
                     probe.m_buffer.data(), static_cast<DWORD>(probe.m_buffer.size()), m_settings.nTimeoutMs);
    const DWORD status = win::GetLastError();
    if (status == ERROR_IO_PENDING) {
        m_board.AddSent(probe.m_nTtl);
        return status;
    }
    probe.m_bBusy = false;
    --m_nInFlight;
    m_budget.Give();
    return status;
}

void CWatchRounds::OnProbeDone(void* context, void*, ULONG)
{
    CProbe& probe = *static_cast<CProbe*>(context);
    CWatchRounds& rounds = *probe.m_owner;
    probe.m_bBusy = false;
    --rounds.m_nInFlight;
    rounds.m_budget.Give();
    if (probe.m_nTtl > rounds.m_nPathLength)
        return; // behind the target: not part of the path
    win::CIpAddress responder;
    DWORD wholeMs = 0;
    if (CEchoCalls::Parse(rounds.m_settings.target, probe.m_buffer.data(), static_cast<DWORD>(probe.m_buffer.size()),
                          responder, wholeMs) == 1) {
        rounds.Answered(probe, responder);
        return;
    }
    const DWORD status = win::GetLastError();
    if (status == ERROR_CANCELLED)
        return;
    if (status == IP_NO_RESOURCES) {
        // The helper had no room for it: it never went out, and the budget waits.
        rounds.m_board.WithdrawSent(probe.m_nTtl);
        rounds.m_budget.Spend();
        return;
    }
    rounds.m_board.AddLoss(probe.m_nTtl, probe.m_nRound);
    if (status != IP_REQ_TIMED_OUT && rounds.m_nFailure == 0)
        rounds.m_nFailure = status;
}

void CWatchRounds::Answered(const CProbe& probe, const win::CIpAddress& responder)
{
    const double rttMs = RoundTripMs(m_settings.target, probe.m_buffer.data());
    m_board.AddAnswer(probe.m_nTtl, responder.Text(), rttMs, probe.m_nRound);
    // The target, or a node that says it cannot be reached: the path ends here.
    const DWORD status = ReplyStatus(m_settings.target, probe.m_buffer.data());
    const bool pathEnd = responder == m_settings.target || (status != IP_SUCCESS && status != IP_TTL_EXPIRED_TRANSIT);
    if (pathEnd && probe.m_nTtl < m_nPathLength) {
        m_nPathLength = probe.m_nTtl;
        m_board.KeepHops(m_nPathLength);
    }
    LookUp(responder);
}

void CWatchRounds::LookUp(const win::CIpAddress& address)
{
    if (!m_settings.bResolveNames || m_known.size() >= kMaxKnown)
        return;
    if (std::find(m_known.begin(), m_known.end(), address) != m_known.end())
        return;
    m_known.push_back(address);
    m_looking.push_back(address);
    m_names.Start(address);
}

void CWatchRounds::CollectNames()
{
    if (m_looking.empty())
        return;
    m_names.Poll();
    std::erase_if(m_looking, [this](const win::CIpAddress& address) {
        std::string name;
        if (!m_names.TryName(address, name))
            return false;
        if (!name.empty())
            m_board.SetName(address.Text(), name);
        return true;
    });
}
