#pragma once
// One echo request sent straight through the echo facility (open, send, close), for the
// parts of an answer the engine does not read: the record's status and the time waited.

#include "IcmpApi.h"

struct DirectEcho {
    DWORD m_count = 0;     // IcmpSendEcho's result: records stored
    DWORD m_lastError = 0; // when m_count is 0
    win::ICMP_ECHO_REPLY m_record{};
    double m_elapsedMs = 0;
};

DirectEcho SendDirectEcho(IPAddr destination, BYTE ttl, DWORD timeoutMs);
