#include "EchoCalls.h"

#include "LastError.h"

#include <cstring>
#include <netinet/in.h>

DWORD CEchoCalls::RecordSize(const win::CIpAddress& target)
{
    return target.IsV6() ? sizeof(win::ICMPV6_ECHO_REPLY) : sizeof(win::ICMP_ECHO_REPLY);
}

bool CEchoCalls::Available(const win::CIpAddress& target, bool later)
{
    if (!target.IsV6())
        return !later || (g_pfnIcmpSendEcho2 != nullptr && g_pfnIcmpParseReplies != nullptr);
    if (g_pfnIcmp6CreateFile != nullptr && g_pfnIcmp6SendEcho2 != nullptr && g_pfnIcmp6ParseReplies != nullptr)
        return true;
    win::SetLastError(ERROR_NOT_SUPPORTED);
    return false;
}

HANDLE CEchoCalls::Open(const win::CIpAddress& target)
{
    return target.IsV6() ? g_pfnIcmp6CreateFile() : g_pfnIcmpCreateFile();
}

DWORD CEchoCalls::Send(HANDLE handle, win::PIO_APC_ROUTINE routine, void* context, const win::CIpAddress& target,
                       const BYTE* data, WORD size, const win::IP_OPTION_INFORMATION& options, BYTE* reply,
                       DWORD replySize, DWORD timeoutMs)
{
    if (!target.IsV6()) {
        if (routine == nullptr)
            return g_pfnIcmpSendEcho(handle, target.V4(), data, size, &options, reply, replySize, timeoutMs);
        return g_pfnIcmpSendEcho2(handle, nullptr, routine, context, target.V4(), data, size, &options, reply,
                                  replySize, timeoutMs);
    }
    sockaddr_in6 source{};
    source.sin6_family = AF_INET6;
    sockaddr_in6 destination{};
    target.ToSockaddr6(destination);
    return g_pfnIcmp6SendEcho2(handle, nullptr, routine, context, &source, &destination, data, size, &options, reply,
                               replySize, timeoutMs);
}

DWORD CEchoCalls::Parse(const win::CIpAddress& target, BYTE* reply, DWORD replySize, win::CIpAddress& address,
                        DWORD& rtt)
{
    const DWORD count = target.IsV6() ? g_pfnIcmp6ParseReplies(reply, replySize) : g_pfnIcmpParseReplies(reply, replySize);
    if (count != 1)
        return 0;
    ReadRecord(target, reply, address, rtt);
    return 1;
}

void CEchoCalls::ReadRecord(const win::CIpAddress& target, const BYTE* reply, win::CIpAddress& address, DWORD& rtt)
{
    if (!target.IsV6()) {
        win::ICMP_ECHO_REPLY record{};
        std::memcpy(&record, reply, sizeof record);
        address = record.Address;
        rtt = record.RoundTripTime;
        return;
    }
    win::ICMPV6_ECHO_REPLY record{};
    std::memcpy(&record, reply, sizeof record);
    BYTE bytes[16];
    std::memcpy(bytes, record.Address.sin6_addr, sizeof bytes);
    address = win::CIpAddress::FromV6(bytes, record.Address.sin6_scope_id);
    rtt = record.RoundTripTime;
}

DWORD CEchoCalls::ReadStatus(const win::CIpAddress& target, const BYTE* reply)
{
    if (!target.IsV6()) {
        win::ICMP_ECHO_REPLY record{};
        std::memcpy(&record, reply, sizeof record);
        return record.Status;
    }
    win::ICMPV6_ECHO_REPLY record{};
    std::memcpy(&record, reply, sizeof record);
    return record.Status;
}
