#include "HopStatistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr double kNoTime = std::numeric_limits<double>::quiet_NaN();
}

void CHopStatistics::AddSent()
{
    ++m_nSent;
}

void CHopStatistics::WithdrawSent()
{
    if (m_nSent > m_nReceived + m_nLost)
        --m_nSent;
}

void CHopStatistics::AddAnswer(const std::string& strResponder, double dRttMs, unsigned nRound)
{
    ++m_nReceived;
    m_nLastRound = std::max(m_nLastRound, nRound);
    m_dLastMs = dRttMs;
    if (m_nReceived == 1) {
        m_dBestMs = m_dWorstMs = dRttMs;
    } else {
        m_dBestMs = std::min(m_dBestMs, dRttMs);
        m_dWorstMs = std::max(m_dWorstMs, dRttMs);
    }
    const double delta = dRttMs - m_dMeanMs;
    m_dMeanMs += delta / m_nReceived;
    m_dSumSquares += delta * (dRttMs - m_dMeanMs);
    const auto known = std::find_if(m_responders.begin(), m_responders.end(),
                                    [&](const auto& entry) { return entry.first == strResponder; });
    if (known != m_responders.end())
        ++known->second;
    else if (m_responders.size() < kMaxResponders)
        m_responders.emplace_back(strResponder, 1);
}

void CHopStatistics::AddLoss(unsigned nRound)
{
    ++m_nLost;
    m_nLastRound = std::max(m_nLastRound, nRound);
}

double CHopStatistics::LossPercent() const
{
    const unsigned decided = m_nReceived + m_nLost;
    return decided == 0 ? 0.0 : 100.0 * m_nLost / decided;
}

double CHopStatistics::LastMs() const
{
    return HasTimes() ? m_dLastMs : kNoTime;
}

double CHopStatistics::MeanMs() const
{
    return HasTimes() ? m_dMeanMs : kNoTime;
}

double CHopStatistics::BestMs() const
{
    return HasTimes() ? m_dBestMs : kNoTime;
}

double CHopStatistics::WorstMs() const
{
    return HasTimes() ? m_dWorstMs : kNoTime;
}

double CHopStatistics::StdDevMs() const
{
    if (!HasTimes())
        return kNoTime;
    return m_nReceived < 2 ? 0.0 : std::sqrt(m_dSumSquares / (m_nReceived - 1));
}

std::string CHopStatistics::Responder() const
{
    const auto most = std::max_element(m_responders.begin(), m_responders.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
    return most != m_responders.end() ? most->first : std::string();
}

std::vector<std::string> CHopStatistics::OtherResponders() const
{
    std::vector<std::pair<std::string, unsigned>> sorted = m_responders;
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    std::vector<std::string> others;
    const std::string shown = Responder();
    for (const auto& entry : sorted) {
        if (entry.first != shown)
            others.push_back(entry.first);
    }
    return others;
}
