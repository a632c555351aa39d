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

namespace win {

namespace {

constexpr DWORD kErrorInvalidHandle = 6;

DWORD CheckArguments(const void* requestData, WORD requestSize, const void* replyBuffer, DWORD replySize)
{
    if (replyBuffer == nullptr || (requestData == nullptr && requestSize > 0))
        return ERROR_INVALID_PARAMETER;
    if (replySize < sizeof(ICMP_ECHO_REPLY))
        return IP_BUF_TOO_SMALL;
    return ERROR_SUCCESS;
}

// Room for the echoed data behind the one record.
std::span<BYTE> DataRoom(BYTE* buffer, DWORD size)
{
    const std::size_t room = std::min<std::size_t>(size - sizeof(ICMP_ECHO_REPLY), std::numeric_limits<USHORT>::max());
    return {buffer + sizeof(ICMP_ECHO_REPLY), room};
}

} // namespace

HANDLE IcmpCreateFile()
{
    int error = 0;
    std::shared_ptr<CEchoSocket> socket = CEchoSocketPool::Instance().Take(error);
    if (!socket) {
        SetLastError(CEchoSocket::ErrorForOpen(error));
        return INVALID_HANDLE_VALUE;
    }
    return CEchoHandleTable::Instance().Add(std::move(socket));
}

DWORD IcmpSendEcho(HANDLE icmpHandle, IPAddr destination, const void* requestData, WORD requestSize,
                   const IP_OPTION_INFORMATION* requestOptions, void* replyBuffer, DWORD replySize, DWORD timeoutMs)
{
    const DWORD invalid = CheckArguments(requestData, requestSize, replyBuffer, replySize);
    if (invalid != ERROR_SUCCESS) {
        SetLastError(invalid);
        return 0;
    }
    const std::shared_ptr<CEchoSocket> socket = CEchoHandleTable::Instance().Find(icmpHandle);
    if (!socket) {
        SetLastError(kErrorInvalidHandle);
        return 0;
    }
    const std::span<const BYTE> data(static_cast<const BYTE*>(requestData), requestSize);
    BYTE* const reply = static_cast<BYTE*>(replyBuffer);
    const CEchoSocket::COutcome outcome =
        socket->Echo(destination, requestOptions, data, timeoutMs, DataRoom(reply, replySize));
    if (outcome.m_failure != 0 || !outcome.m_received) {
        const DWORD unanswered = IsBlockingCallCancelled() ? ERROR_CANCELLED : IP_REQ_TIMED_OUT;
        SetLastError(outcome.m_failure != 0 ? outcome.m_failure : unanswered);
        return 0;
    }
    CEchoRequests::WriteAnswer(*outcome.m_received, reply);
    return 1;
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
    if (apcRoutine == nullptr && event == nullptr)
        return IcmpSendEcho(icmpHandle, destination, requestData, requestSize, requestOptions, replyBuffer, replySize,
                            timeoutMs);
    DWORD invalid = CheckArguments(requestData, requestSize, replyBuffer, replySize);
    if (invalid == ERROR_SUCCESS && event != nullptr)
        invalid = ERROR_INVALID_PARAMETER;
    if (invalid != ERROR_SUCCESS) {
        SetLastError(invalid);
        return 0;
    }
    std::shared_ptr<CEchoSocket> socket = CEchoHandleTable::Instance().Find(icmpHandle);
    if (!socket) {
        SetLastError(kErrorInvalidHandle);
        return 0;
    }
    CEchoRequests::CRequest request;
    request.m_handle = icmpHandle;
    request.m_transport = std::move(socket);
    request.m_destination = destination;
    request.m_timeout = std::chrono::milliseconds(timeoutMs);
    request.m_reply = static_cast<BYTE*>(replyBuffer);
    request.m_replySize = replySize;
    request.m_apcRoutine = apcRoutine;
    request.m_apcContext = apcContext;
    const std::span<const BYTE> data(static_cast<const BYTE*>(requestData), requestSize);
    SetLastError(CEchoRequests::Current().Start(std::move(request), requestOptions, data));
    return 0;
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

} // namespace win
