#pragma once
// The growable array of hop records that a trace appends to. It grows as the framework's
// array does: by an eighth of its count, at least 4 and at most 1024 records.

#include "TraceRecords.h"

#include <cstddef>
#include <vector>

class CHopResultArray {
public:
    std::size_t GetSize() const { return m_records.size(); }
    std::size_t GetCapacity() const { return m_records.capacity(); }
    const HopResult& GetAt(std::size_t index) const { return m_records.at(index); }
    const HopResult& operator[](std::size_t index) const { return m_records[index]; }
    // Appends a record; returns its index.
    std::size_t Add(const HopResult& record);

private:
    std::vector<HopResult> m_records;
};
