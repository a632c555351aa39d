#pragma once
// The echo library's interface (IcmpCreateFile, IcmpSendEcho, IcmpCloseHandle) over
// Linux ICMP sockets, and its IPv6 counterpart (Icmp6CreateFile, Icmp6SendEcho2,
// Icmp6ParseReplies) over ICMPv6 sockets; IcmpCloseHandle closes handles of either. The
// reply record keeps the 28-byte layout of the 32-bit library, so the reply buffer sizes
// that callers compute hold here too; its two pointers are therefore stored as byte
// offsets from the start of the reply buffer.

#include "WinTypes.h"

#include <cstddef>

struct sockaddr_in6;

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
    USHORT Reserved;      // here: 0 when the record holds no answer, else 1 + the microseconds
                          // beyond RoundTripTime's whole ms (IcmpParseReplies, IcmpReplyMicroseconds)
    std::uint32_t DataOffset; // echoed data: offset from the start of the reply buffer
    BYTE OptionsTtl;
    BYTE OptionsTos;
    BYTE OptionsFlags;
    BYTE OptionsSize;
    std::uint32_t OptionsDataOffset;
};
static_assert(sizeof(ICMP_ECHO_REPLY) == 28, "the reply record keeps the 32-bit layout");

#pragma pack(push, 1)
struct IPV6_ADDRESS_EX {
    USHORT sin6_port;     // here: 1 when the record holds an answer (Icmp6ParseReplies)
    ULONG sin6_flowinfo;  // here, in a reply record: the microseconds beyond RoundTripTime's whole ms
    USHORT sin6_addr[8];  // network order
    ULONG sin6_scope_id;
};

// An IPv6 echo request's reply record; an echo reply's data follows it.
struct ICMPV6_ECHO_REPLY {
    IPV6_ADDRESS_EX Address; // the node that answered
    ULONG Status;            // IP_STATUS value
    unsigned int RoundTripTime; // ms
};
#pragma pack(pop)
static_assert(sizeof(ICMPV6_ECHO_REPLY) == 34, "the IPv6 reply record keeps the library's packed layout");

using PFN_IcmpCreateFile = HANDLE (*)();
using PFN_IcmpSendEcho = DWORD (*)(HANDLE icmpHandle, IPAddr destination, const void* requestData,
                                   WORD requestSize, const IP_OPTION_INFORMATION* requestOptions,
                                   void* replyBuffer, DWORD replySize, DWORD timeoutMs);
using PFN_IcmpCloseHandle = BOOL (*)(HANDLE icmpHandle);
using PIO_APC_ROUTINE = void (*)(void* apcContext, void* ioStatusBlock, ULONG reserved);
using PFN_IcmpSendEcho2 = DWORD (*)(HANDLE icmpHandle, HANDLE event, PIO_APC_ROUTINE apcRoutine, void* apcContext,
                                    IPAddr destination, const void* requestData, WORD requestSize,
                                    const IP_OPTION_INFORMATION* requestOptions, void* replyBuffer, DWORD replySize,
                                    DWORD timeoutMs);
using PFN_IcmpParseReplies = DWORD (*)(void* replyBuffer, DWORD replySize);
using PFN_Icmp6CreateFile = HANDLE (*)();
using PFN_Icmp6SendEcho2 = DWORD (*)(HANDLE icmpHandle, HANDLE event, PIO_APC_ROUTINE apcRoutine, void* apcContext,
                                     const sockaddr_in6* sourceAddress, const sockaddr_in6* destinationAddress,
                                     const void* requestData, WORD requestSize,
                                     const IP_OPTION_INFORMATION* requestOptions, void* replyBuffer, DWORD replySize,
                                     DWORD timeoutMs);
using PFN_Icmp6ParseReplies = DWORD (*)(void* replyBuffer, DWORD replySize);

HANDLE IcmpCreateFile();
// The request's data goes out as given but for its last two bytes, which carry the word
// that gives every request the same checksum (CIcmpPacket::KeepFlowSum), so that routers
// balancing load per flow send all probes one way; the echoed data comes back with it.
DWORD IcmpSendEcho(HANDLE icmpHandle, IPAddr destination, const void* requestData, WORD requestSize,
                   const IP_OPTION_INFORMATION* requestOptions, void* replyBuffer, DWORD replySize,
                   DWORD timeoutMs);
BOOL IcmpCloseHandle(HANDLE icmpHandle);

// The request that completes later. With an APC routine (event must be null: there are no
// event objects here) it returns 0 with ERROR_IO_PENDING once the request went out; the
// reply buffer is filled and the routine runs on this thread, inside an alertable wait
// (SleepEx), when the answer came or the timeout passed. Without a routine it works as
// IcmpSendEcho. Closing the handle first drops the request without its routine.
// Through the probe helper, a request that the helper would not send at once (it sends
// 256 a second after a burst of 128) is refused with IP_NO_RESOURCES and nothing sent: a
// request's time runs from its send, and the caller's clock must see that send.
DWORD IcmpSendEcho2(HANDLE icmpHandle, HANDLE event, PIO_APC_ROUTINE apcRoutine, void* apcContext,
                    IPAddr destination, const void* requestData, WORD requestSize,
                    const IP_OPTION_INFORMATION* requestOptions, void* replyBuffer, DWORD replySize, DWORD timeoutMs);
// The number of replies stored by a completed IcmpSendEcho2 (1 or 0); with 0 the last
// error is the request's IP_STATUS (IP_REQ_TIMED_OUT when no answer came).
DWORD IcmpParseReplies(void* replyBuffer, DWORD replySize);

// An answer's round trip in microseconds: the whole ms of RoundTripTime and the finer part
// the record keeps beside them (the kernel's receive stamps time answers to the microsecond).
inline std::uint64_t IcmpReplyMicroseconds(const ICMP_ECHO_REPLY& reply)
{
    const unsigned finer = reply.Reserved > 0 && reply.Reserved <= 1000 ? reply.Reserved - 1u : 0u;
    return std::uint64_t{reply.RoundTripTime} * 1000 + finer;
}
inline std::uint64_t IcmpReplyMicroseconds(const ICMPV6_ECHO_REPLY& reply)
{
    const unsigned finer = reply.Address.sin6_flowinfo < 1000 ? reply.Address.sin6_flowinfo : 0u;
    return std::uint64_t{reply.RoundTripTime} * 1000 + finer;
}

// The IPv6 calls, alike to the IPv4 ones. The source address must be null or "::" (the
// system chooses it); the destination's scope id names a link-local address's interface.
// The TTL of the options is the hop limit, its type of service the traffic class; IP
// options are ignored, as IPv6 has none. Without routine and event Icmp6SendEcho2 waits.
HANDLE Icmp6CreateFile();
DWORD Icmp6SendEcho2(HANDLE icmpHandle, HANDLE event, PIO_APC_ROUTINE apcRoutine, void* apcContext,
                     const sockaddr_in6* sourceAddress, const sockaddr_in6* destinationAddress,
                     const void* requestData, WORD requestSize, const IP_OPTION_INFORMATION* requestOptions,
                     void* replyBuffer, DWORD replySize, DWORD timeoutMs);
DWORD Icmp6ParseReplies(void* replyBuffer, DWORD replySize);

} // namespace win
