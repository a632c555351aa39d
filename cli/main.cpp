// quorail-trace: the trace engine on the command line. Exit codes: 0 the trace ran to
// its end (also at a router's destination-unreachable answer, whose reason goes to
// standard error), 1 the trace failed (its code and, where known, its reason on standard
// error), 2 wrong usage.

#include "ConsoleText.h"
#include "ConsoleTracer.h"
#include "ErrorText.h"
#include "LastError.h"
#include "TraceOptions.h"

#include <arpa/inet.h>
#include <cstdio>

namespace {

int Failed(DWORD error)
{
    std::fprintf(stderr, "Fehler bei Quorail Nr.: %d\n", static_cast<int>(error));
    const std::string reason = CErrorText::ReasonFor(error);
    if (!reason.empty())
        CConsoleText::WriteLine(stderr, "quorail-trace: " + reason);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    CTraceOptions options;
    switch (options.Parse(std::vector<std::string>(argv + 1, argv + argc))) {
    case CTraceOptions::EResult::Help:
        std::fputs(CConsoleText::Convert(CTraceOptions::UsageText(), CConsoleText::TerminalCharset()).c_str(), stdout);
        return 0;
    case CTraceOptions::EResult::Version:
        std::puts("quorail-trace " QUORAIL_VERSION);
        return 0;
    case CTraceOptions::EResult::Usage:
        CConsoleText::WriteLine(stderr, "quorail-trace: " + options.m_error);
        std::fputs(CConsoleText::Convert(CTraceOptions::UsageText(), CConsoleText::TerminalCharset()).c_str(), stderr);
        return 2;
    case CTraceOptions::EResult::Run:
        break;
    }
    g_bResolveNames = options.m_bResolveNames ? TRUE : FALSE;
    IPAddr target = 0;
    if (!CRouteTracer::Initialise() || !CRouteTracer::ResolveTarget(options.m_host, target))
        return Failed(win::GetLastError());
    char dotted[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &target, dotted, sizeof dotted);
    CConsoleText::WriteLine(stderr, "quorail-trace zu " + options.m_host + " (" + dotted + "), " +
                                        std::to_string(options.m_maxHops) + " Hops max.");
    CConsoleTracer tracer;
    tracer.SetSchedule(options.m_bSequential ? CRouteTracer::ESchedule::Sequential : CRouteTracer::ESchedule::Parallel);
    CHopResultArray hops;
    if (!tracer.Trace(dotted, hops, options.m_maxHops, options.m_timeoutMs, options.m_probesPerHop))
        return Failed(win::GetLastError());
    if (tracer.GetUnreachableStatus() != 0 && hops.GetSize() > 0) {
        const HopResult& last = hops[hops.GetSize() - 1];
        CConsoleText::WriteLine(stderr, "quorail-trace: " +
                                            CErrorText::UnreachableReason(tracer.GetUnreachableStatus(), last.Address));
    }
    return 0;
}
