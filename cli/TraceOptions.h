#pragma once
// The command line of quorail-trace, parsed as traceroute users expect: bundled short
// options (-nq1), values attached or apart (-m30, -m 30), options before or after the
// host, "--" ending the options, -w in seconds with decimals, -4/-6 forcing a family, -V
// for the version. --report watches the path for a number of rounds (mtr's report); --json
// and --csv write either as a file would. A host that is meant as an IPv6 literal (it has
// a colon or brackets) must be a valid one. Texts are Windows-1252 bytes.

#include "RouteTracer.h"
#include "WinTypes.h"

#include <string>
#include <vector>

class CTraceOptions {
public:
    enum class EResult { Run, Help, Version, Usage };
    enum class EFormat { Lines, Json, Csv };
    static constexpr DWORD kReportTimeoutMs = 2000; // a report's probe wait unless -w says otherwise

    EResult Parse(const std::vector<std::string>& args);
    static const char* UsageText();

    bool m_bResolveNames = true;
    bool m_bSequential = false;
    BYTE m_maxHops = 30;
    DWORD m_timeoutMs = 5000;
    DWORD m_probesPerHop = 3;
    bool m_bReport = false;
    unsigned m_cycles = 10;     // rounds of a report
    double m_intervalS = 1.0;   // s between a report's rounds
    EFormat m_format = EFormat::Lines;
    CRouteTracer::EFamily m_family = CRouteTracer::EFamily::Any;
    std::string m_host;
    std::string m_error; // why Parse returned Usage, naming the option or argument

private:
    // A long option; index moves on when a value is taken from the next argument.
    EResult ParseLong(const std::vector<std::string>& args, std::size_t& index);
    bool TakeCycles(const std::string& text);
    bool TakeInterval(const std::string& text);
    bool SetFormat(EFormat format);
    // The checks that involve more than one option.
    EResult CheckCombination();
    // One bundle of short options; index moves on when a value is taken from the next argument.
    EResult ParseShort(const std::vector<std::string>& args, std::size_t& index);
    bool TakeValue(char option, const std::string& text);
    bool TakeNumber(char option, const std::string& text, unsigned long min, unsigned long max, unsigned long& value);
    bool TakeSeconds(const std::string& text);
    bool TakeFamily(char option);
    bool CheckLiteral();

    bool m_bTimeoutGiven = false;
    bool m_bWatchOptionGiven = false; // --cycles or --interval
};
