#pragma once
// One echo request sent straight through the echo facility (open, send, close), for the
// parts of an answer the engine does not read: the record's status and the time waited.

#include "IcmpApi.h"
#include "IpAddress.h"

struct DirectEcho {
    DWORD m_count = 0;     // IcmpSendEcho's (Icmp6SendEcho2's) result: records stored
    DWORD m_lastError = 0; // when m_count is 0
    win::ICMP_ECHO_REPLY m_record{}; // IPv4
    win::ICMPV6_ECHO_REPLY m_record6{}; // IPv6
    double m_elapsedMs = 0;
};

DirectEcho SendDirectEcho(IPAddr destination, BYTE ttl, DWORD timeoutMs);
DirectEcho SendDirectEcho6(const win::CIpAddress& destination, BYTE ttl, DWORD timeoutMs);
// The answering node of an IPv6 record.
win::CIpAddress RecordAddress(const win::ICMPV6_ECHO_REPLY& record);
