// quorail-trace: the trace engine on the command line. Exit codes: 0 the trace (or the
// report's rounds) ran to its end, also at a router's destination-unreachable answer (its
// reason on standard error), 1 it failed (its code and, where known, its reason on
// standard error), 2 wrong usage.

#include "ConsoleText.h"
#include "ConsoleTracer.h"
#include "ErrorText.h"
#include "ExportTracer.h"
#include "LastError.h"
#include "PathWatch.h"
#include "TraceOptions.h"
#include "WatchExport.h"
#include "WatchReport.h"

#include <cstdio>

namespace {

// probeStatus: the code is a probe's IP_STATUS (a watch that a failed probe ended).
int Failed(DWORD error, bool probeStatus = false)
{
    std::fprintf(stderr, "Fehler bei Quorail Nr.: %d\n", static_cast<int>(error));
    const std::string reason = probeStatus ? CErrorText::HopStatusFor(error) : CErrorText::ReasonFor(error);
    if (!reason.empty())
        CConsoleText::WriteLine(stderr, "quorail-trace: " + reason);
    return 1;
}

// Where a router's destination-unreachable answer ended the route: why, on standard error.
void TellRouteEnd(const CRouteTracer& tracer, const CHopResultArray& hops)
{
    if (tracer.GetUnreachableStatus() == 0 || hops.GetSize() == 0)
        return;
    CConsoleText::WriteLine(stderr, "quorail-trace: " + CErrorText::UnreachableReason(tracer.GetUnreachableStatus(),
                                                                                       hops[hops.GetSize() - 1].Address));
}

void Print(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

int RunTrace(const CTraceOptions& options)
{
    g_bResolveNames = options.m_bResolveNames ? TRUE : FALSE;
    win::CIpAddress target;
    if (!CRouteTracer::Initialise() || !CRouteTracer::ResolveTarget(options.m_host, target, options.m_family) ||
        !CRouteTracer::CheckRoute(target))
        return Failed(win::GetLastError());
    const std::string address = target.Text();
    const char* dotted = address.c_str();
    std::fprintf(stderr, "quorail-trace zu %s (%s), %d Hops max.\n", options.m_host.c_str(), dotted,
                 static_cast<int>(options.m_maxHops));
    const auto schedule = options.m_bSequential ? CRouteTracer::ESchedule::Sequential : CRouteTracer::ESchedule::Parallel;
    CHopResultArray hops;
    if (options.m_format == CTraceOptions::EFormat::Lines) {
        CConsoleTracer tracer;
        tracer.SetSchedule(schedule);
        tracer.SetFamily(options.m_family);
        if (!tracer.Trace(dotted, hops, options.m_maxHops, options.m_timeoutMs, options.m_probesPerHop))
            return Failed(win::GetLastError());
        TellRouteEnd(tracer, hops);
        return 0;
    }
    CExportTracer tracer;
    tracer.SetSchedule(schedule);
    tracer.SetFamily(options.m_family);
    const BOOL finished = tracer.Trace(dotted, hops, options.m_maxHops, options.m_timeoutMs, options.m_probesPerHop);
    const DWORD status = finished ? 0 : win::GetLastError();
    Print(options.m_format == CTraceOptions::EFormat::Json ? tracer.Json(options.m_host, dotted, status) : tracer.Csv());
    if (!finished)
        return Failed(status);
    TellRouteEnd(tracer, hops);
    return 0;
}

int RunReport(const CTraceOptions& options)
{
    CPathWatch::Options watchOptions;
    watchOptions.strHost = options.m_host;
    watchOptions.nFamily = options.m_family == CRouteTracer::EFamily::V4   ? AF_INET
                           : options.m_family == CRouteTracer::EFamily::V6 ? AF_INET6
                                                                          : AF_UNSPEC;
    watchOptions.nMaxHops = options.m_maxHops;
    watchOptions.dIntervalS = options.m_intervalS;
    watchOptions.nCycles = options.m_cycles;
    watchOptions.nTimeoutMs = options.m_timeoutMs;
    watchOptions.bResolveNames = options.m_bResolveNames;
    watchOptions.nHistory = 0; // no chart here
    CPathWatch watch;
    if (!watch.Start(watchOptions)) {
        const CWatchSnapshot failed = watch.Snapshot();
        if (!failed.strError.empty()) {
            std::fprintf(stderr, "quorail-trace: %s\n", failed.strError.c_str());
            return 2;
        }
        return Failed(failed.nError);
    }
    std::fprintf(stderr, "quorail-trace beobachtet %s (%s), %u Runden alle %g s, %d Hops max.\n",
                 options.m_host.c_str(), watch.Snapshot().strAddress.c_str(), options.m_cycles, options.m_intervalS,
                 static_cast<int>(options.m_maxHops));
    while (!watch.WaitFinished(std::chrono::hours(1))) {
    }
    watch.Stop();
    const CWatchSnapshot snapshot = watch.Snapshot();
    switch (options.m_format) {
    case CTraceOptions::EFormat::Json:
        Print(CWatchExport::Json(snapshot));
        break;
    case CTraceOptions::EFormat::Csv:
        Print(CWatchExport::Csv(snapshot));
        break;
    case CTraceOptions::EFormat::Lines:
        Print(CWatchReport::Lines(snapshot, options.m_bResolveNames));
        break;
    }
    return snapshot.nError == 0 ? 0 : Failed(snapshot.nError, true);
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
    return options.m_bReport ? RunReport(options) : RunTrace(options);
}
