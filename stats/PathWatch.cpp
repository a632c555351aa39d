#include "PathWatch.h"

#include "LastError.h"
#include "RouteTracer.h"
#include "WatchRounds.h"

#include <cmath>

CPathWatch::~CPathWatch()
{
    Stop();
}

std::string CPathWatch::CheckOptions(const Options& options)
{
    if (options.strHost.empty())
        return "kein Host angegeben";
    if (options.nFamily != AF_UNSPEC && options.nFamily != AF_INET && options.nFamily != AF_INET6)
        return "unbekannte Adressfamilie";
    if (options.nMaxHops < 1 || options.nMaxHops > 255)
        return "die Hop-Grenze muss zwischen 1 und 255 liegen";
    if (!std::isfinite(options.dIntervalS) || options.dIntervalS < kMinIntervalS)
        return "das Intervall muss mindestens 0,002 s betragen";
    if (!std::isfinite(options.dIntervalS) || options.dIntervalS > 86400.0)
        return "das Intervall darf hoechstens einen Tag betragen";
    if (options.nTimeoutMs == 0)
        return "die Wartezeit muss groesser als 0 sein";
    return {};
}

bool CPathWatch::Start(const Options& options)
{
    Stop();
    m_board.Reset(options.strHost, options.dIntervalS, options.nHistory);
    const std::string problem = CheckOptions(options);
    if (!problem.empty()) {
        m_board.Finish(ERROR_INVALID_PARAMETER, problem);
        return false;
    }
    // Either family, in the system's order of preference unless the options name one.
    const CRouteTracer::EFamily family = options.nFamily == AF_INET    ? CRouteTracer::EFamily::V4
                                         : options.nFamily == AF_INET6 ? CRouteTracer::EFamily::V6
                                                                       : CRouteTracer::EFamily::Any;
    win::CIpAddress target;
    if (!CRouteTracer::Initialise() || !CRouteTracer::ResolveTarget(options.strHost, target, family)) {
        m_board.Finish(win::GetLastError(), {});
        return false;
    }
    m_board.SetAddress(target.Text());

    CWatchRounds::CSettings settings;
    settings.target = target;
    settings.nMaxHops = options.nMaxHops;
    settings.interval = std::chrono::duration_cast<CWatchRounds::Clock::duration>(
        std::chrono::duration<double>(options.dIntervalS));
    settings.nCycles = options.nCycles;
    settings.nTimeoutMs = options.nTimeoutMs;
    settings.bResolveNames = options.bResolveNames;
    m_stop.Lower();
    m_thread = std::thread([this, settings] {
        CWatchRounds rounds(m_board, settings, m_stop);
        rounds.Run();
    });
    return true;
}

void CPathWatch::Stop()
{
    if (!m_thread.joinable())
        return;
    m_stop.Raise();
    m_thread.join();
}

bool CPathWatch::IsRunning() const
{
    return m_thread.joinable() && !m_board.Finished();
}
