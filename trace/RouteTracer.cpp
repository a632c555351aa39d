#include "RouteTracer.h"

#include "BlockingHook.h"
#include "IcmpModule.h"
#include "LastError.h"
#include "ProbeProtocol.h"
#include "ProbeScheduler.h"
#include "WinSock.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {
constexpr BYTE kProbeDataSize = 32;
constexpr BYTE kProbeDataByte = 'E';
constexpr DWORD kEchoReplyRecordSize = 28;
} // namespace

BOOL CRouteTracer::Initialise()
{
    if (!g_bIcmpInitTried) {
        g_bIcmpInitTried = TRUE;
        win::WSADATA data{};
        if (win::WSAStartup(win::MAKEWORD(1, 1), &data) != 0)
            return FALSE;
        g_IcmpModule.m_hModule = win::LoadLibraryA("ICMP.DLL");
        if (g_IcmpModule.m_hModule == nullptr)
            return FALSE;
        g_pfnIcmpCreateFile = reinterpret_cast<win::PFN_IcmpCreateFile>(
            win::GetProcAddress(g_IcmpModule.m_hModule, "IcmpCreateFile"));
        g_pfnIcmpSendEcho = reinterpret_cast<win::PFN_IcmpSendEcho>(
            win::GetProcAddress(g_IcmpModule.m_hModule, "IcmpSendEcho"));
        g_pfnIcmpCloseHandle = reinterpret_cast<win::PFN_IcmpCloseHandle>(
            win::GetProcAddress(g_IcmpModule.m_hModule, "IcmpCloseHandle"));
        // Optional: their absence leaves the last error of the three above as it was.
        const DWORD lastError = win::GetLastError();
        g_pfnIcmpSendEcho2 = reinterpret_cast<win::PFN_IcmpSendEcho2>(
            win::GetProcAddress(g_IcmpModule.m_hModule, "IcmpSendEcho2"));
        g_pfnIcmpParseReplies = reinterpret_cast<win::PFN_IcmpParseReplies>(
            win::GetProcAddress(g_IcmpModule.m_hModule, "IcmpParseReplies"));
        win::SetLastError(lastError);
    }
    return g_pfnIcmpCreateFile != nullptr && g_pfnIcmpSendEcho != nullptr && g_pfnIcmpCloseHandle != nullptr;
}

BOOL CRouteTracer::ResolveTarget(const std::string& host, IPAddr& target)
{
    target = win::inet_addr(host.c_str());
    if (target != win::INADDR_NONE_VALUE)
        return TRUE;
    const hostent* entry = win::gethostbyname(host.c_str());
    if (entry == nullptr || entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr)
        return FALSE;
    std::memcpy(&target, entry->h_addr_list[0], std::min<std::size_t>(sizeof target, entry->h_length));
    return TRUE;
}

bool CRouteTracer::EndsRoute(DWORD status)
{
    switch (status) {
    case IP_DEST_NET_UNREACHABLE:
    case IP_DEST_HOST_UNREACHABLE:
    case IP_DEST_PROT_UNREACHABLE:
    case IP_DEST_PORT_UNREACHABLE:
    case IP_PACKET_TOO_BIG:
    case IP_BAD_ROUTE:
        return true;
    default:
        return false;
    }
}

DWORD CRouteTracer::NoRouteFailure(DWORD status)
{
    if (status == IP_DEST_NET_UNREACHABLE)
        return ERROR_NETWORK_UNREACHABLE;
    if (status == IP_DEST_HOST_UNREACHABLE)
        return ERROR_HOST_UNREACHABLE;
    return 0;
}

CRouteTracer::ESchedule CRouteTracer::ScheduleFromText(const std::string& text)
{
    return text == "sequential" ? ESchedule::Sequential : ESchedule::Parallel;
}

BOOL CRouteTracer::Trace(const std::string& host, CHopResultArray& hops, BYTE maxHops, DWORD timeoutMs,
                         DWORD probesPerHop)
{
    win::ClearBlockingCallCancel();
    m_dwUnreachable = 0;
    struct CEnd {
        CRouteTracer& m_tracer;
        ~CEnd() { m_tracer.OnTraceEnd(); }
    } end{*this};
    const BOOL result = TraceResolved(host, hops, maxHops, timeoutMs, probesPerHop);
    if (!result)
        m_dwUnreachable = 0;
    return result;
}

BOOL CRouteTracer::TraceResolved(const std::string& host, CHopResultArray& hops, BYTE maxHops, DWORD timeoutMs,
                                 DWORD probesPerHop)
{
    if (!Initialise())
        return FALSE;
    IPAddr target = 0;
    if (!ResolveTarget(host, target)) {
        // A stop during the lookup is a stop, not the resolver's failure.
        if (win::IsBlockingCallCancelled())
            win::SetLastError(ERROR_CANCELLED);
        return FALSE;
    }
    // Echo requests to a group or a whole network are no trace; the helper refuses them too.
    if (!win::CProbeProtocol::IsUnicast(target)) {
        win::SetLastError(IP_BAD_DESTINATION);
        return FALSE;
    }
    if (probesPerHop == 0) {
        win::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const bool parallel = m_eSchedule == ESchedule::Parallel && g_pfnIcmpSendEcho2 != nullptr &&
                          g_pfnIcmpParseReplies != nullptr;
    if (parallel) {
        CProbeScheduler scheduler(*this, target, hops, maxHops, timeoutMs, probesPerHop);
        const BOOL result = scheduler.Run();
        if (!scheduler.AsyncRefused())
            return result;
    }
    return TraceSequential(target, hops, maxHops, timeoutMs, probesPerHop);
}

BOOL CRouteTracer::TraceSequential(IPAddr target, CHopResultArray& hops, BYTE maxHops, DWORD timeoutMs,
                                   DWORD probesPerHop)
{
    // A wider counter than the 8-bit TTL, so that a limit of 255 ends after TTL 255.
    for (unsigned ttl = 1; ttl <= maxHops; ++ttl) {
        HopResult hop{};
        DWORD unreachable = 0;
        if (!TraceHop(target, static_cast<BYTE>(ttl), timeoutMs, probesPerHop, hop, unreachable))
            return FALSE;
        if (!OnSingleHostResult(static_cast<int>(ttl), hop)) {
            win::SetLastError(ERROR_CANCELLED);
            return FALSE;
        }
        hops.Add(hop);
        if (unreachable != 0) {
            m_dwUnreachable = unreachable;
            break;
        }
        if (hop.Address == target)
            break;
        if (win::IsBlockingCallCancelled()) {
            win::SetLastError(ERROR_CANCELLED);
            return FALSE;
        }
    }
    return TRUE;
}

BOOL CRouteTracer::TraceHop(IPAddr target, BYTE ttl, DWORD timeoutMs, DWORD probesPerHop, HopResult& hop,
                            DWORD& unreachable)
{
    hop = HopResult{0, 0, 0xFFFFFFFFu, 0, 0};
    unreachable = 0;
    DWORD sum = 0;
    PingReply reply{0, 0, 0};
    for (DWORD probe = 0; probe < probesPerHop && hop.dwError == 0; ++probe) {
        if (!Ping(target, reply, ttl, timeoutMs, kProbeDataSize))
            return FALSE;
        if (win::IsBlockingCallCancelled()) {
            win::SetLastError(ERROR_CANCELLED);
            return FALSE;
        }
        if (reply.dwError != 0) {
            if (ttl == 1 && probe == 0 && NoRouteFailure(reply.dwError) != 0) {
                win::SetLastError(NoRouteFailure(reply.dwError));
                return FALSE;
            }
            hop.dwError = reply.dwError;
            break;
        }
        if (unreachable == 0 && EndsRoute(m_dwAnswerStatus))
            unreachable = m_dwAnswerStatus;
        sum += reply.RTT;
        hop.MinRTT = std::min(hop.MinRTT, reply.RTT);
        hop.MaxRTT = std::max(hop.MaxRTT, reply.RTT);
        if (!OnPingResult(static_cast<int>(probe + 1), reply)) {
            win::SetLastError(ERROR_CANCELLED);
            return FALSE;
        }
    }
    hop.Address = reply.Address;
    if (hop.dwError != 0) {
        hop.MinRTT = hop.AvgRTT = hop.MaxRTT = 0;
    } else {
        hop.AvgRTT = sum / probesPerHop;
    }
    return TRUE;
}

BOOL CRouteTracer::Ping(IPAddr address, PingReply& reply, BYTE ttl, DWORD timeoutMs, BYTE dataSize)
{
    HANDLE handle = g_pfnIcmpCreateFile();
    if (handle == INVALID_HANDLE_VALUE)
        return FALSE;
    // The handle is closed on every way out, also when building the buffers throws.
    std::unique_ptr<void, void (*)(HANDLE)> closer(handle, [](HANDLE open) { g_pfnIcmpCloseHandle(open); });
    win::IP_OPTION_INFORMATION options{};
    options.Ttl = ttl;
    std::vector<BYTE> request(dataSize, kProbeDataByte);
    std::vector<BYTE> replyBuffer(std::max<DWORD>(dataSize, 8) + kEchoReplyRecordSize);
    const DWORD count = g_pfnIcmpSendEcho(handle, address, request.data(), dataSize, &options, replyBuffer.data(),
                                          static_cast<DWORD>(replyBuffer.size()), timeoutMs);
    if (count == 1) {
        win::ICMP_ECHO_REPLY record{};
        std::memcpy(&record, replyBuffer.data(), sizeof record);
        reply.Address = record.Address;
        reply.RTT = record.RoundTripTime;
        m_dwAnswerStatus = record.Status;
    } else {
        reply.dwError = win::GetLastError();
    }
    return TRUE;
}

BOOL CRouteTracer::OnPingResult(int, PingReply&)
{
    return TRUE;
}

BOOL CRouteTracer::OnSingleHostResult(int, HopResult&)
{
    return TRUE;
}

void CRouteTracer::OnHopAddress(int, IPAddr)
{
}

void CRouteTracer::OnTraceEnd()
{
}
