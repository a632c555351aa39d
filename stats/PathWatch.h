#pragma once
// Watches a path: rounds of probes on a thread of its own (CWatchRounds), each hop's
// figures kept on a board that the caller reads by copy (Snapshot, History) whenever it
// likes; nothing calls back into the caller. Stop ends the rounds and keeps the figures.

#include "StopSignal.h"
#include "WatchBoard.h"

#include <sys/socket.h>
#include <thread>

class CPathWatch {
public:
    static constexpr double kMinIntervalS = 0.002;

    struct Options {
        std::string strHost;        // a name, or an IPv4 or IPv6 address
        int nFamily = AF_UNSPEC;    // AF_UNSPEC (the system's order), AF_INET or AF_INET6
        unsigned nMaxHops = 30;     // 1 to 255
        double dIntervalS = 1.0;    // s between rounds, at least kMinIntervalS
        unsigned nCycles = 0;       // rounds; 0 = until stopped
        unsigned nTimeoutMs = 2000; // ms a probe is waited for
        bool bResolveNames = true;
        std::size_t nHistory = 3600; // samples kept per hop for the chart
    };

    CPathWatch() = default;
    // Stops the watch.
    ~CPathWatch();
    CPathWatch(const CPathWatch&) = delete;
    CPathWatch& operator=(const CPathWatch&) = delete;

    // Stops a watch still running, then resolves the host (on the calling thread) and
    // starts the rounds. False when the options are unusable or the host unknown: the
    // snapshot then says why (nError, and strError for the options).
    bool Start(const Options& options);
    // Ends the rounds and waits for their thread: no probe, lookup or thread of the watch
    // is left. The figures stay.
    void Stop();
    // True while rounds may still start.
    bool IsRunning() const;
    // Bumps on every change of the figures or the state.
    unsigned Generation() const { return m_board.Generation(); }
    // The figures now, without histories.
    CWatchSnapshot Snapshot() const { return m_board.Snapshot(); }
    // The latest samples of hop nHop (from 1), oldest first; empty for an unknown hop.
    std::vector<CWatchSample> History(unsigned nHop) const { return m_board.History(nHop); }
    // Waits until no more rounds run (cycles done, failed or stopped), at most timeout.
    bool WaitFinished(std::chrono::milliseconds timeout) const { return m_board.WaitFinished(timeout); }

    // Why the options are unusable, in words; "" when they are fine.
    static std::string CheckOptions(const Options& options);

private:
    CWatchBoard m_board;
    CStopSignal m_stop;
    std::thread m_thread;
};
