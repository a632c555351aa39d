#pragma once
// What a trace's error code means, in words for the command line; null for a code
// without a known meaning.

#include "WinTypes.h"

class CErrorText {
public:
    static const char* ReasonFor(DWORD error);
};
