#pragma once
// The echo library's calls for either family of target, over the entry points that
// CRouteTracer::Initialise found: IcmpCreateFile or Icmp6CreateFile, IcmpSendEcho2 or
// Icmp6SendEcho2, and the reading of the reply record each writes. Holds no state.

#include "IcmpModule.h"
#include "IpAddress.h"

class CEchoCalls {
public:
    // Bytes of one reply record for the target's family.
    static DWORD RecordSize(const win::CIpAddress& target);
    // True when the library offers the calls the target's family needs; for IPv6 the
    // library must have the three Icmp6 entry points, else last error is ERROR_NOT_SUPPORTED.
    static bool Available(const win::CIpAddress& target, bool later);
    static HANDLE Open(const win::CIpAddress& target);
    // IcmpSendEcho2's contract: with a routine, 0 and ERROR_IO_PENDING once sent; without,
    // the number of replies (0 or 1) when the answer or the timeout came.
    static DWORD Send(HANDLE handle, win::PIO_APC_ROUTINE routine, void* context, const win::CIpAddress& target,
                      const BYTE* data, WORD size, const win::IP_OPTION_INFORMATION& options, BYTE* reply,
                      DWORD replySize, DWORD timeoutMs);
    // 1 when the record of a request that completed later holds an answer (then address
    // and rtt are set); else 0 with last error.
    static DWORD Parse(const win::CIpAddress& target, BYTE* reply, DWORD replySize, win::CIpAddress& address,
                       DWORD& rtt);
    // The answering node and round trip of a record that holds an answer.
    static void ReadRecord(const win::CIpAddress& target, const BYTE* reply, win::CIpAddress& address, DWORD& rtt);
    // The IP_STATUS of a record that holds an answer: a router's time exceeded or
    // destination unreachable, 0 for the target's echo reply.
    static DWORD ReadStatus(const win::CIpAddress& target, const BYTE* reply);
};
