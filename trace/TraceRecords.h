#pragma once
// The records of one probe and of one hop. Times are ms; an address is IPv4 or IPv6, as
// the target is.

#include "IpAddress.h"
#include "WinTypes.h"

struct PingReply {
    DWORD dwError; // 0 when answered, else the echo facility's code
    win::CIpAddress Address;
    DWORD RTT; // ms
};

struct HopResult {
    DWORD dwError; // 0 when every probe was answered, else the first failed probe's code
    win::CIpAddress Address; // the last answered probe's node; 0.0.0.0 when none answered
    DWORD MinRTT;   // ms; 0 when dwError is not 0
    DWORD AvgRTT;   // ms; sum / probes per hop, truncated; 0 when dwError is not 0
    DWORD MaxRTT;   // ms; 0 when dwError is not 0
};
