#pragma once
// The latest samples of one hop, at most a fixed number: a ring that overwrites its oldest
// sample once full. Its memory grows up to the bound and never beyond.

#include "WatchSample.h"

#include <cstddef>
#include <vector>

class CWatchHistory {
public:
    explicit CWatchHistory(std::size_t nCapacity = 0) : m_nCapacity(nCapacity) {}

    void Add(const CWatchSample& sample);
    // Oldest first.
    std::vector<CWatchSample> Samples() const;
    std::size_t Size() const { return m_samples.size(); }

private:
    std::size_t m_nCapacity; // samples kept at most
    std::vector<CWatchSample> m_samples;
    std::size_t m_nNext = 0; // where the next sample goes once the ring is full
};
