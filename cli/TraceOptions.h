#pragma once
// The command line of quorail-trace: [-n] [-m MAXHOPS] [-w TIMEOUT_MS] [-q PROBES] HOST.

#include "WinTypes.h"

#include <string>
#include <vector>

class CTraceOptions {
public:
    enum class EResult { Run, Help, Usage };

    EResult Parse(const std::vector<std::string>& args);
    static const char* UsageText();

    bool m_bResolveNames = true;
    BYTE m_maxHops = 30;
    DWORD m_timeoutMs = 30000;
    DWORD m_probesPerHop = 3;
    std::string m_host;
    std::string m_error; // why Parse returned Usage

private:
    bool TakeNumber(const std::vector<std::string>& args, std::size_t& index, unsigned long min, unsigned long max,
                    unsigned long& value);
};
