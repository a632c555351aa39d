#pragma once
// The echo library's interface (IcmpCreateFile, IcmpSendEcho, IcmpCloseHandle) over
// Linux ICMP sockets. The reply record keeps the 28-byte layout of the 32-bit library,
// so the reply buffer sizes that callers compute hold here too; its two pointers are
// therefore stored as byte offsets from the start of the reply buffer.

#include "WinTypes.h"

#include <cstddef>

namespace win {

struct IP_OPTION_INFORMATION {
    BYTE Ttl;
    BYTE Tos;
    BYTE Flags;
    BYTE OptionsSize;
    BYTE* OptionsData;
};

struct ICMP_ECHO_REPLY {
    IPAddr Address;       // the node that answered, network order
    ULONG Status;         // IP_STATUS value
    ULONG RoundTripTime;  // ms
    USHORT DataSize;      // bytes of echoed data copied
    USHORT Reserved;
    std::uint32_t DataOffset; // echoed data: offset from the start of the reply buffer
    BYTE OptionsTtl;
    BYTE OptionsTos;
    BYTE OptionsFlags;
    BYTE OptionsSize;
    std::uint32_t OptionsDataOffset;
};
static_assert(sizeof(ICMP_ECHO_REPLY) == 28, "the reply record keeps the 32-bit layout");

using PFN_IcmpCreateFile = HANDLE (*)();
using PFN_IcmpSendEcho = DWORD (*)(HANDLE icmpHandle, IPAddr destination, const void* requestData,
                                   WORD requestSize, const IP_OPTION_INFORMATION* requestOptions,
                                   void* replyBuffer, DWORD replySize, DWORD timeoutMs);
using PFN_IcmpCloseHandle = BOOL (*)(HANDLE icmpHandle);

HANDLE IcmpCreateFile();
DWORD IcmpSendEcho(HANDLE icmpHandle, IPAddr destination, const void* requestData, WORD requestSize,
                   const IP_OPTION_INFORMATION* requestOptions, void* replyBuffer, DWORD replySize,
                   DWORD timeoutMs);
BOOL IcmpCloseHandle(HANDLE icmpHandle);

} // namespace win
