// quorail-trace: the trace engine on the command line. Exit codes: 0 the trace ran to
// its end, 1 the trace failed (its code on standard error), 2 wrong usage.

#include "ConsoleTracer.h"
#include "LastError.h"
#include "TraceOptions.h"

#include <cstdio>

int main(int argc, char** argv)
{
    CTraceOptions options;
    const auto result = options.Parse(std::vector<std::string>(argv + 1, argv + argc));
    if (result == CTraceOptions::EResult::Help) {
        std::fputs(CTraceOptions::UsageText(), stdout);
        return 0;
    }
    if (result == CTraceOptions::EResult::Usage) {
        std::fprintf(stderr, "quorail-trace: %s\n%s", options.m_error.c_str(), CTraceOptions::UsageText());
        return 2;
    }
    g_bResolveNames = options.m_bResolveNames ? TRUE : FALSE;
    CConsoleTracer tracer;
    CHopResultArray hops;
    if (!tracer.Trace(options.m_host, hops, options.m_maxHops, options.m_timeoutMs, options.m_probesPerHop)) {
        std::fprintf(stderr, "Fehler bei Quorail Nr.: %d\n", static_cast<int>(win::GetLastError()));
        return 1;
    }
    return 0;
}
