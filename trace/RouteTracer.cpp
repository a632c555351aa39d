#include "RouteTracer.h"

#include "BlockingHook.h"
#include "EchoCalls.h"
#include "IcmpModule.h"
#include "LastError.h"
#include "ProbeProtocol.h"
#include "ProbeScheduler.h"
#include "WinSock.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {
constexpr BYTE kProbeDataSize = 32;
constexpr BYTE kProbeDataByte = 'E';

int FamilyFor(CRouteTracer::EFamily family)
{
    switch (family) {
    case CRouteTracer::EFamily::V4:
        return AF_INET;
    case CRouteTracer::EFamily::V6:
        return AF_INET6;
    default:
        return AF_UNSPEC;
    }
}

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
        g_pfnIcmp6CreateFile = reinterpret_cast<win::PFN_Icmp6CreateFile>(
            win::GetProcAddress(g_IcmpModule.m_hModule, "Icmp6CreateFile"));
        g_pfnIcmp6SendEcho2 = reinterpret_cast<win::PFN_Icmp6SendEcho2>(
            win::GetProcAddress(g_IcmpModule.m_hModule, "Icmp6SendEcho2"));
        g_pfnIcmp6ParseReplies = reinterpret_cast<win::PFN_Icmp6ParseReplies>(
            win::GetProcAddress(g_IcmpModule.m_hModule, "Icmp6ParseReplies"));
        win::SetLastError(lastError);
    }
    return g_pfnIcmpCreateFile != nullptr && g_pfnIcmpSendEcho != nullptr && g_pfnIcmpCloseHandle != nullptr;
}

BOOL CRouteTracer::ResolveTarget(const std::string& host, win::CIpAddress& target, EFamily family)
{
    if (const std::optional<win::CIpAddress> literal = win::CIpAddress::Parse(host)) {
        const bool wrongFamily = (family == EFamily::V4 && literal->IsV6()) || (family == EFamily::V6 && !literal->IsV6());
        if (wrongFamily) {
            win::SetLastError(WSANO_DATA);
            return FALSE;
        }
        target = *literal;
        return TRUE;
    }
    // What looks like an IPv6 literal is no name: it is malformed, or link-local without a zone.
    if (host.find(':') != std::string::npos || host.find('[') != std::string::npos) {
        win::SetLastError(WSAHOST_NOT_FOUND);
        return FALSE;
    }
    std::vector<win::CIpAddress> addresses;
    if (win::GetAddrInfo(host.c_str(), FamilyFor(family), addresses) != 0)
        return FALSE;
    target = addresses.front();
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
    case IP_DEST_UNREACHABLE:
    case IP_DEST_SCOPE_MISMATCH:
        return true;
    default:
        return false;
    }
}

DWORD CRouteTracer::NoRouteFailure(DWORD status)
{
    if (status == IP_DEST_NET_UNREACHABLE)
        return WSAENETUNREACH;
    if (status == IP_DEST_HOST_UNREACHABLE)
        return WSAEHOSTUNREACH;
    return 0;
}

// A datagram socket "connected" to the target asks the kernel for a route and sends nothing.
BOOL CRouteTracer::CheckRoute(const win::CIpAddress& target)
{
    const int fd = ::socket(target.IsV6() ? AF_INET6 : AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        if (errno != EAFNOSUPPORT)
            return TRUE;
        win::SetLastError(WSAENETUNREACH);
        return FALSE;
    }
    sockaddr_storage to{};
    socklen_t length = sizeof(sockaddr_in);
    if (target.IsV6()) {
        target.ToSockaddr6(reinterpret_cast<sockaddr_in6&>(to));
        reinterpret_cast<sockaddr_in6&>(to).sin6_port = htons(9);
        length = sizeof(sockaddr_in6);
    } else {
        auto& to4 = reinterpret_cast<sockaddr_in&>(to);
        to4.sin_family = AF_INET;
        to4.sin_port = htons(9);
        to4.sin_addr.s_addr = target.V4();
    }
    const int connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&to), length);
    const int error = errno;
    ::close(fd);
    if (connected == 0 || (error != ENETUNREACH && error != EADDRNOTAVAIL))
        return TRUE;
    win::SetLastError(WSAENETUNREACH);
    return FALSE;
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
    win::CIpAddress target;
    if (!ResolveTarget(host, target, m_eFamily)) {
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
    if (!CEchoCalls::Available(target, false))
        return FALSE;
    const bool parallel = m_eSchedule == ESchedule::Parallel && CEchoCalls::Available(target, true);
    if (parallel) {
        CProbeScheduler scheduler(*this, target, hops, maxHops, timeoutMs, probesPerHop);
        const BOOL result = scheduler.Run();
        if (!scheduler.AsyncRefused())
            return result;
    }
    return TraceSequential(target, hops, maxHops, timeoutMs, probesPerHop);
}

BOOL CRouteTracer::TraceSequential(const win::CIpAddress& target, CHopResultArray& hops, BYTE maxHops, DWORD timeoutMs,
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

BOOL CRouteTracer::TraceHop(const win::CIpAddress& target, BYTE ttl, DWORD timeoutMs, DWORD probesPerHop, HopResult& hop,
                            DWORD& unreachable)
{
    hop = HopResult{0, {}, 0xFFFFFFFFu, 0, 0};
    unreachable = 0;
    DWORD sum = 0;
    PingReply reply{0, {}, 0};
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

BOOL CRouteTracer::Ping(const win::CIpAddress& address, PingReply& reply, BYTE ttl, DWORD timeoutMs, BYTE dataSize)
{
    if (!CEchoCalls::Available(address, false))
        return FALSE;
    HANDLE handle = CEchoCalls::Open(address);
    if (handle == INVALID_HANDLE_VALUE)
        return FALSE;
    // The handle is closed on every way out, also when building the buffers throws.
    std::unique_ptr<void, void (*)(HANDLE)> closer(handle, [](HANDLE open) { g_pfnIcmpCloseHandle(open); });
    win::IP_OPTION_INFORMATION options{};
    options.Ttl = ttl;
    std::vector<BYTE> request(dataSize, kProbeDataByte);
    std::vector<BYTE> replyBuffer(std::max<DWORD>(dataSize, 8) + CEchoCalls::RecordSize(address));
    const auto replySize = static_cast<DWORD>(replyBuffer.size());
    const DWORD count = CEchoCalls::Send(handle, nullptr, nullptr, address, request.data(), dataSize, options,
                                         replyBuffer.data(), replySize, timeoutMs);
    if (count == 1) {
        CEchoCalls::ReadRecord(address, replyBuffer.data(), reply.Address, reply.RTT);
        m_dwAnswerStatus = CEchoCalls::ReadStatus(address, replyBuffer.data());
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

void CRouteTracer::OnHopAddress(int, const win::CIpAddress&)
{
}

void CRouteTracer::OnTraceEnd()
{
}
