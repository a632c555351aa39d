#include "HopResultArray.h"

#include <algorithm>

std::size_t CHopResultArray::Add(const HopResult& record)
{
    if (m_records.size() == m_records.capacity()) {
        const std::size_t growBy = std::clamp<std::size_t>(m_records.size() / 8, 4, 1024);
        m_records.reserve(m_records.size() + growBy);
    }
    m_records.push_back(record);
    return m_records.size() - 1;
}
