#pragma once
// What a watch has found so far, copied out at one moment: the target, the rounds done,
// whether it ended and why, and each hop's figures (hop 1 first).

#include "HopStatistics.h"
#include "WinTypes.h"

#include <string>
#include <vector>

struct CWatchSnapshot {
    std::string strTarget;  // the host as given
    std::string strAddress; // its address (IPv6 in RFC 5952 form); "" before it is resolved
    double dIntervalS = 0;  // s between rounds
    unsigned nRounds = 0;   // rounds started
    bool bFinished = false; // no more rounds will start (cycles done, stopped or failed)
    DWORD nError = 0;       // 0, or why the watch ended early (an IP_STATUS or system code)
    std::string strError;   // that reason in words where the engine knows it, else ""
    std::vector<CHopStatistics> hops;
};
