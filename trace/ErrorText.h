#pragma once
// What a trace's error code and a route's last answer mean, in German words as Windows-1252
// bytes, for the window and the command line alike. It does not print anything.

#include "IpAddress.h"
#include "WinTypes.h"

#include <string>

class CErrorText {
public:
    // The reason for the code that a failed trace left; empty for a code without a known meaning.
    static std::string ReasonFor(DWORD error);
    // What a probe's IP_STATUS means (a hop record's code, whose numbers overlap the
    // resolver's); the reason above for any other code.
    static std::string HopStatusFor(DWORD status);
    // The line that tells why a trace ended at a destination-unreachable answer (status,
    // an IP_STATUS) from the router at from, with traceroute's mark (!H, !N, ...).
    static std::string UnreachableReason(DWORD status, const win::CIpAddress& from);
    // Where the probe helper is: beside the program in a build, else where the package puts it.
    static std::string HelperPath();
};
