#include "IcmpApi.h"

#include "EchoHandleTable.h"
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

// The record in front of the echoed data that the request copied behind it.
void WriteRecord(const CEchoSocket::CReceived& received, BYTE* buffer)
{
    ICMP_ECHO_REPLY record{};
    record.Address = received.m_answer.m_address;
    record.Status = received.m_answer.m_status;
    record.RoundTripTime =
        static_cast<ULONG>(std::chrono::duration_cast<std::chrono::milliseconds>(received.m_roundTrip).count());
    record.DataSize = static_cast<USHORT>(received.m_dataSize);
    record.DataOffset = sizeof record;
    record.OptionsTtl = received.m_answer.m_ttl;
    record.OptionsTos = received.m_answer.m_tos;
    std::memcpy(buffer, &record, sizeof record);
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
        SetLastError(outcome.m_failure != 0 ? outcome.m_failure : IP_REQ_TIMED_OUT);
        return 0;
    }
    WriteRecord(*outcome.m_received, reply);
    return 1;
}

BOOL IcmpCloseHandle(HANDLE icmpHandle)
{
    std::shared_ptr<CEchoSocket> socket = CEchoHandleTable::Instance().Remove(icmpHandle);
    if (!socket) {
        SetLastError(kErrorInvalidHandle);
        return FALSE;
    }
    CEchoSocketPool::Instance().Give(std::move(socket));
    return TRUE;
}

} // namespace win
