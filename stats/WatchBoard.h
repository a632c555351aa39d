#pragma once
// Where a watch's rounds leave their findings and where its readers copy them from: the
// hops' figures, their histories, the names found and how the watch stands, behind one
// lock. Every change bumps the generation, so that a reader can skip an unchanged board.

#include "WatchHistory.h"
#include "WatchSnapshot.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

class CWatchBoard {
public:
    // Forgets everything and starts afresh; histories keep nHistory samples per hop.
    void Reset(const std::string& strTarget, double dIntervalS, std::size_t nHistory);
    void SetAddress(const std::string& strAddress);
    void AddRound();
    // Hops count from 1; a hop beyond the ones known so far adds the hops up to it.
    void AddSent(unsigned nHop);
    void WithdrawSent(unsigned nHop);
    void AddAnswer(unsigned nHop, const std::string& strResponder, double dRttMs, unsigned nRound);
    void AddLoss(unsigned nHop, unsigned nRound);
    // Drops the hops behind nHops (the target answered at hop nHops).
    void KeepHops(unsigned nHops);
    void SetName(const std::string& strResponder, const std::string& strName);
    // No more rounds start; nError 0 for an end in order.
    void Finish(DWORD nError, const std::string& strError);

    bool Finished() const;
    unsigned Generation() const { return m_nGeneration.load(); }
    CWatchSnapshot Snapshot() const;
    std::vector<CWatchSample> History(unsigned nHop) const;
    // Waits until Finish, at most timeout; true when finished.
    bool WaitFinished(std::chrono::milliseconds timeout) const;

private:
    void Changed() { ++m_nGeneration; }
    CHopStatistics& Hop(unsigned nHop);

    mutable std::mutex m_lock;
    mutable std::condition_variable m_finishedSignal;
    std::atomic<unsigned> m_nGeneration{0};
    CWatchSnapshot m_state;                      // names are filled in by Snapshot
    std::vector<CWatchHistory> m_histories;      // one per hop
    std::size_t m_nHistory = 0;                  // samples kept per hop
    std::map<std::string, std::string> m_names;  // responder -> reverse name
};
