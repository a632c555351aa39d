// quorail-trace: the trace engine on the command line. Exit codes: 0 the trace ran to
// its end, 1 the trace failed (its code and, where known, its reason on standard error),
// 2 wrong usage.

#include "ConsoleTracer.h"
#include "ErrorText.h"
#include "LastError.h"
#include "TraceOptions.h"

#include <cstdio>

namespace {

int Failed(DWORD error)
{
    std::fprintf(stderr, "Fehler bei Quorail Nr.: %d\n", static_cast<int>(error));
    if (const char* reason = CErrorText::ReasonFor(error))
        std::fprintf(stderr, "quorail-trace: %s\n", reason);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    CTraceOptions options;
    switch (options.Parse(std::vector<std::string>(argv + 1, argv + argc))) {
    case CTraceOptions::EResult::Help:
        std::fputs(CTraceOptions::UsageText(), stdout);
        return 0;
    case CTraceOptions::EResult::Version:
        std::puts("quorail-trace " QUORAIL_VERSION);
        return 0;
    case CTraceOptions::EResult::Usage:
        std::fprintf(stderr, "quorail-trace: %s\n%s", options.m_error.c_str(), CTraceOptions::UsageText());
        return 2;
    case CTraceOptions::EResult::Run:
        break;
    }
    g_bResolveNames = options.m_bResolveNames ? TRUE : FALSE;
    win::CIpAddress target;
    if (!CRouteTracer::Initialise() || !CRouteTracer::ResolveTarget(options.m_host, target, options.m_family) ||
        !CRouteTracer::CheckRoute(target))
        return Failed(win::GetLastError());
    const std::string address = target.Text();
    std::fprintf(stderr, "quorail-trace zu %s (%s), %d Hops max.\n", options.m_host.c_str(), address.c_str(),
                 static_cast<int>(options.m_maxHops));
    CConsoleTracer tracer;
    tracer.SetSchedule(options.m_bSequential ? CRouteTracer::ESchedule::Sequential : CRouteTracer::ESchedule::Parallel);
    tracer.SetFamily(options.m_family);
    CHopResultArray hops;
    if (!tracer.Trace(address, hops, options.m_maxHops, options.m_timeoutMs, options.m_probesPerHop))
        return Failed(win::GetLastError());
    return 0;
}
