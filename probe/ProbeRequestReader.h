#pragma once
// Cuts the bytes that arrive from the helper's parent into request lines and checks
// each one. Anything that is not a well-formed request within the limits, or a line
// longer than the longest request, is Bad: the helper then ends.

#include "ProbeProtocol.h"

#include <span>
#include <string>

class CProbeRequestReader {
public:
    enum class ERead { Request, NeedMore, Bad };

    // Adds bytes read from the parent.
    void Feed(std::span<const char> bytes);
    // The next complete request, if one is there.
    ERead Next(win::CProbeRequest& request);

private:
    std::string m_buffer; // never longer than one line plus one read
};
