#include "IcmpApi.h"

#include "BlockingHook.h"
#include "EchoHandleTable.h"
#include "EchoRequests.h"
#include "EchoSocket.h"
#include "EchoSocketPool.h"
#include "LastError.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <netinet/in.h>

namespace win {

namespace {

constexpr DWORD kErrorInvalidHandle = 6;

// One echo call as either family's entry point hands it over.
struct CEchoCall {
    HANDLE m_handle = nullptr;
    CIpAddress m_destination;
    const void* m_data = nullptr;
    WORD m_size = 0;
    const IP_OPTION_INFORMATION* m_options = nullptr;
    void* m_reply = nullptr;
    DWORD m_replySize = 0;
    DWORD m_timeoutMs = 0;
};

DWORD CheckArguments(const CEchoCall& call)
{
    if (call.m_reply == nullptr || (call.m_data == nullptr && call.m_size > 0))
        return ERROR_INVALID_PARAMETER;
    if (call.m_replySize < CEchoRequests::RecordSize(call.m_destination.IsV6()))
        return IP_BUF_TOO_SMALL;
    return ERROR_SUCCESS;
}

// Room for the echoed data behind the one record.
std::span<BYTE> DataRoom(const CEchoCall& call)
{
    const std::size_t record = CEchoRequests::RecordSize(call.m_destination.IsV6());
    const std::size_t room = std::min<std::size_t>(call.m_replySize - record, std::numeric_limits<USHORT>::max());
    return {static_cast<BYTE*>(call.m_reply) + record, room};
}

HANDLE CreateFile(CIpAddress::EFamily family)
{
    int error = 0;
    std::shared_ptr<CEchoSocket> socket = CEchoSocketPool::Instance().Take(family, error);
    if (!socket) {
        SetLastError(CEchoSocket::ErrorForOpen(error));
        return INVALID_HANDLE_VALUE;
    }
    return CEchoHandleTable::Instance().Add(std::move(socket));
}

// A handle of the other family is no handle for this call.
std::shared_ptr<CEchoSocket> FindSocket(const CEchoCall& call)
{
    std::shared_ptr<CEchoSocket> socket = CEchoHandleTable::Instance().Find(call.m_handle);
    if (socket && socket->Family() != call.m_destination.Family())
        return nullptr;
    return socket;
}

DWORD SendAndWait(const CEchoCall& call)
{
    const DWORD invalid = CheckArguments(call);
    if (invalid != ERROR_SUCCESS) {
        SetLastError(invalid);
        return 0;
    }
    const std::shared_ptr<CEchoSocket> socket = FindSocket(call);
    if (!socket) {
        SetLastError(kErrorInvalidHandle);
        return 0;
    }
    const std::span<const BYTE> data(static_cast<const BYTE*>(call.m_data), call.m_size);
    const CEchoSocket::COutcome outcome =
        socket->Echo(call.m_destination, call.m_options, data, call.m_timeoutMs, DataRoom(call));
    if (outcome.m_failure != 0 || !outcome.m_received) {
        const DWORD unanswered = IsBlockingCallCancelled() ? ERROR_CANCELLED : IP_REQ_TIMED_OUT;
        SetLastError(outcome.m_failure != 0 ? outcome.m_failure : unanswered);
        return 0;
    }
    CEchoRequests::WriteAnswer(*outcome.m_received, static_cast<BYTE*>(call.m_reply), call.m_destination.IsV6());
    return 1;
}

DWORD SendLater(const CEchoCall& call, HANDLE event, PIO_APC_ROUTINE apcRoutine, void* apcContext)
{
    if (apcRoutine == nullptr && event == nullptr)
        return SendAndWait(call);
    DWORD invalid = CheckArguments(call);
    if (invalid == ERROR_SUCCESS && event != nullptr)
        invalid = ERROR_INVALID_PARAMETER;
    if (invalid != ERROR_SUCCESS) {
        SetLastError(invalid);
        return 0;
    }
    std::shared_ptr<CEchoSocket> socket = FindSocket(call);
    if (!socket) {
        SetLastError(kErrorInvalidHandle);
        return 0;
    }
    CEchoRequests::CRequest request;
    request.m_handle = call.m_handle;
    request.m_transport = std::move(socket);
    request.m_destination = call.m_destination;
    request.m_timeout = std::chrono::milliseconds(call.m_timeoutMs);
    request.m_reply = static_cast<BYTE*>(call.m_reply);
    request.m_replySize = call.m_replySize;
    request.m_apcRoutine = apcRoutine;
    request.m_apcContext = apcContext;
    const std::span<const BYTE> data(static_cast<const BYTE*>(call.m_data), call.m_size);
    SetLastError(CEchoRequests::Current().Start(std::move(request), call.m_options, data));
    return 0;
}

CEchoCall MakeCall(HANDLE handle, const CIpAddress& destination, const void* data, WORD size,
                   const IP_OPTION_INFORMATION* options, void* reply, DWORD replySize, DWORD timeoutMs)
{
    return CEchoCall{handle, destination, data, size, options, reply, replySize, timeoutMs};
}

} // namespace

HANDLE IcmpCreateFile()
{
    return CreateFile(CIpAddress::EFamily::V4);
}

HANDLE Icmp6CreateFile()
{
    return CreateFile(CIpAddress::EFamily::V6);
}

DWORD IcmpSendEcho(HANDLE icmpHandle, IPAddr destination, const void* requestData, WORD requestSize,
                   const IP_OPTION_INFORMATION* requestOptions, void* replyBuffer, DWORD replySize, DWORD timeoutMs)
{
    return SendAndWait(
        MakeCall(icmpHandle, destination, requestData, requestSize, requestOptions, replyBuffer, replySize, timeoutMs));
}

BOOL IcmpCloseHandle(HANDLE icmpHandle)
{
    std::shared_ptr<CEchoSocket> socket = CEchoHandleTable::Instance().Remove(icmpHandle);
    if (!socket) {
        SetLastError(kErrorInvalidHandle);
        return FALSE;
    }
    CEchoRequests::Current().Forget(icmpHandle);
    CEchoSocketPool::Instance().Give(std::move(socket));
    return TRUE;
}

DWORD IcmpSendEcho2(HANDLE icmpHandle, HANDLE event, PIO_APC_ROUTINE apcRoutine, void* apcContext,
                    IPAddr destination, const void* requestData, WORD requestSize,
                    const IP_OPTION_INFORMATION* requestOptions, void* replyBuffer, DWORD replySize, DWORD timeoutMs)
{
    return SendLater(
        MakeCall(icmpHandle, destination, requestData, requestSize, requestOptions, replyBuffer, replySize, timeoutMs),
        event, apcRoutine, apcContext);
}

DWORD Icmp6SendEcho2(HANDLE icmpHandle, HANDLE event, PIO_APC_ROUTINE apcRoutine, void* apcContext,
                     const sockaddr_in6* sourceAddress, const sockaddr_in6* destinationAddress,
                     const void* requestData, WORD requestSize, const IP_OPTION_INFORMATION* requestOptions,
                     void* replyBuffer, DWORD replySize, DWORD timeoutMs)
{
    if (destinationAddress == nullptr || destinationAddress->sin6_family != AF_INET6) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (sourceAddress != nullptr && !IN6_IS_ADDR_UNSPECIFIED(&sourceAddress->sin6_addr)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return 0;
    }
    const CIpAddress destination = CIpAddress::FromSockaddr6(*destinationAddress);
    return SendLater(
        MakeCall(icmpHandle, destination, requestData, requestSize, requestOptions, replyBuffer, replySize, timeoutMs),
        event, apcRoutine, apcContext);
}

DWORD IcmpParseReplies(void* replyBuffer, DWORD replySize)
{
    if (replyBuffer == nullptr || replySize < sizeof(ICMP_ECHO_REPLY)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    ICMP_ECHO_REPLY record{};
    std::memcpy(&record, replyBuffer, sizeof record);
    if (record.Reserved != 0)
        return 1;
    SetLastError(record.Status);
    return 0;
}

DWORD Icmp6ParseReplies(void* replyBuffer, DWORD replySize)
{
    if (replyBuffer == nullptr || replySize < sizeof(ICMPV6_ECHO_REPLY)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    ICMPV6_ECHO_REPLY record{};
    std::memcpy(&record, replyBuffer, sizeof record);
    if (record.Address.sin6_port != 0)
        return 1;
    SetLastError(record.Status);
    return 0;
}

} // namespace win
