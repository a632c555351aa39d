#pragma once
// What a trace's error code means, in words for the command line; null for a code
// without a known meaning.

#include "WinTypes.h"

class CErrorText {
public:
    static const char* ReasonFor(DWORD error);
    // What a probe's IP_STATUS means (a hop record's code, whose numbers overlap the
    // resolver's); the reason above for any other code.
    static const char* HopStatusFor(DWORD status);
};
