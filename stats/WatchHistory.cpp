#include "WatchHistory.h"

void CWatchHistory::Add(const CWatchSample& sample)
{
    if (m_nCapacity == 0)
        return;
    if (m_samples.size() < m_nCapacity) {
        m_samples.push_back(sample);
        return;
    }
    m_samples[m_nNext] = sample;
    m_nNext = (m_nNext + 1) % m_nCapacity;
}

std::vector<CWatchSample> CWatchHistory::Samples() const
{
    std::vector<CWatchSample> ordered;
    ordered.reserve(m_samples.size());
    ordered.insert(ordered.end(), m_samples.begin() + static_cast<std::ptrdiff_t>(m_nNext), m_samples.end());
    ordered.insert(ordered.end(), m_samples.begin(), m_samples.begin() + static_cast<std::ptrdiff_t>(m_nNext));
    return ordered;
}
