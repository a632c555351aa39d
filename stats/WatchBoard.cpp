#include "WatchBoard.h"

void CWatchBoard::Reset(const std::string& strTarget, double dIntervalS, std::size_t nHistory)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_state = CWatchSnapshot{};
    m_state.strTarget = strTarget;
    m_state.dIntervalS = dIntervalS;
    m_histories.clear();
    m_nHistory = nHistory;
    m_names.clear();
    Changed();
}

void CWatchBoard::SetAddress(const std::string& strAddress)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_state.strAddress = strAddress;
    Changed();
}

void CWatchBoard::AddRound()
{
    std::lock_guard<std::mutex> guard(m_lock);
    ++m_state.nRounds;
    Changed();
}

CHopStatistics& CWatchBoard::Hop(unsigned nHop)
{
    if (m_state.hops.size() < nHop) {
        m_state.hops.resize(nHop);
        m_histories.resize(nHop, CWatchHistory(m_nHistory));
    }
    return m_state.hops[nHop - 1];
}

void CWatchBoard::AddSent(unsigned nHop)
{
    std::lock_guard<std::mutex> guard(m_lock);
    Hop(nHop).AddSent();
    Changed();
}

void CWatchBoard::WithdrawSent(unsigned nHop)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (nHop <= m_state.hops.size())
        m_state.hops[nHop - 1].WithdrawSent();
    Changed();
}

void CWatchBoard::AddAnswer(unsigned nHop, const std::string& strResponder, double dRttMs, unsigned nRound)
{
    std::lock_guard<std::mutex> guard(m_lock);
    Hop(nHop).AddAnswer(strResponder, dRttMs, nRound);
    m_histories[nHop - 1].Add({nRound, dRttMs, false});
    Changed();
}

void CWatchBoard::AddLoss(unsigned nHop, unsigned nRound)
{
    std::lock_guard<std::mutex> guard(m_lock);
    Hop(nHop).AddLoss(nRound);
    m_histories[nHop - 1].Add({nRound, 0.0, true});
    Changed();
}

void CWatchBoard::KeepHops(unsigned nHops)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_state.hops.size() <= nHops)
        return;
    m_state.hops.resize(nHops);
    m_histories.resize(nHops);
    Changed();
}

void CWatchBoard::SetName(const std::string& strResponder, const std::string& strName)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_names[strResponder] = strName;
    Changed();
}

void CWatchBoard::Finish(DWORD nError, const std::string& strError)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_state.bFinished) {
            m_state.bFinished = true;
            m_state.nError = nError;
            m_state.strError = strError;
        }
        Changed();
    }
    m_finishedSignal.notify_all();
}

bool CWatchBoard::Finished() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_state.bFinished;
}

CWatchSnapshot CWatchBoard::Snapshot() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    CWatchSnapshot snapshot = m_state;
    for (CHopStatistics& hop : snapshot.hops) {
        const auto found = m_names.find(hop.Responder());
        if (found != m_names.end())
            hop.SetName(found->second);
    }
    return snapshot;
}

std::vector<CWatchSample> CWatchBoard::History(unsigned nHop) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (nHop == 0 || nHop > m_histories.size())
        return {};
    return m_histories[nHop - 1].Samples();
}

bool CWatchBoard::WaitFinished(std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(m_lock);
    return m_finishedSignal.wait_for(lock, timeout, [this] { return m_state.bFinished; });
}
