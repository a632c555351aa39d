#include "LineStore.h"

#include <algorithm>
#include <stdexcept>

std::size_t CLineStore::CData::End(std::size_t index) const
{
    if (m_wraps.empty()) {
        return m_ends[index];
    }
    const auto high = static_cast<std::size_t>(std::upper_bound(m_wraps.begin(), m_wraps.end(), index) - m_wraps.begin());
    return (high << 32) | m_ends[index];
}

// The caller has reserved room in m_ends.
void CLineStore::CData::PushEnd(std::size_t end)
{
    while ((static_cast<std::uint64_t>(end) >> 32) > m_wraps.size()) {
        m_wraps.push_back(m_ends.size());
    }
    m_ends.push_back(static_cast<std::uint32_t>(end));
}

std::vector<std::size_t> CLineStore::CData::AllEnds() const
{
    std::vector<std::size_t> ends(m_ends.size());
    for (std::size_t i = 0; i < ends.size(); ++i) {
        ends[i] = End(i);
    }
    return ends;
}

void CLineStore::CData::SetEnds(const std::vector<std::size_t>& ends)
{
    std::vector<std::uint32_t> low;
    low.reserve(ends.size());
    m_ends.swap(low);
    m_wraps.clear();
    for (const std::size_t end : ends) {
        PushEnd(end);
    }
}

std::size_t CLineStore::Count() const
{
    return m_data != nullptr ? m_data->m_ends.size() : 0;
}

std::size_t CLineStore::Begin(std::size_t index) const
{
    return index == 0 ? 0 : m_data->End(index - 1);
}

std::string_view CLineStore::At(std::size_t index) const
{
    if (index >= Count()) {
        throw std::out_of_range("no such line");
    }
    const std::size_t begin = Begin(index);
    return {m_data->m_bytes.data() + begin, m_data->End(index) - begin};
}

bool CLineStore::IsShared() const
{
    return m_data != nullptr && m_data.use_count() > 1;
}

CLineStore::CData& CLineStore::Writable()
{
    if (m_data == nullptr) {
        m_data = std::make_shared<CData>();
    } else if (m_data.use_count() > 1) {
        m_data = std::make_shared<CData>(*m_data);
    }
    return *m_data;
}

void CLineStore::Reserve(std::size_t lines, std::size_t bytes)
{
    const std::size_t usedBytes = m_data != nullptr ? m_data->m_bytes.size() : 0;
    if (m_data != nullptr && !IsShared() && m_data->m_ends.capacity() >= Count() + lines &&
        m_data->m_bytes.capacity() >= usedBytes + bytes) {
        return;
    }
    auto data = std::make_shared<CData>();
    data->m_ends.reserve(Count() + lines);
    data->m_bytes.reserve(usedBytes + bytes);
    if (m_data != nullptr) {
        data->m_ends.assign(m_data->m_ends.begin(), m_data->m_ends.end());
        data->m_bytes.assign(m_data->m_bytes.begin(), m_data->m_bytes.end());
        data->m_wraps = m_data->m_wraps;
    }
    m_data = std::move(data);
}

void CLineStore::Append(std::string_view line)
{
    CData& data = Writable();
    data.m_ends.reserve(data.m_ends.size() + 1);
    data.m_bytes.insert(data.m_bytes.end(), line.begin(), line.end());
    data.PushEnd(data.m_bytes.size());
}

void CLineStore::Append(const CLineStore& other)
{
    if (IsEmpty()) {
        m_data = other.m_data;
        return;
    }
    if (other.IsEmpty()) {
        return;
    }
    const CData& source = *other.m_data; // still valid if other is this store
    const std::size_t lines = source.m_ends.size();
    const std::size_t bytes = source.m_bytes.size();
    const std::shared_ptr<CData> keep = other.m_data;
    Reserve(lines, bytes);
    const std::size_t offset = m_data->m_bytes.size();
    m_data->m_bytes.insert(m_data->m_bytes.end(), source.m_bytes.begin(), source.m_bytes.begin() + bytes);
    for (std::size_t i = 0; i < lines; ++i) {
        m_data->PushEnd(offset + source.End(i));
    }
}

void CLineStore::Insert(std::size_t index, std::string_view line)
{
    if (index >= Count()) {
        Append(line);
        return;
    }
    CData& data = Writable();
    std::vector<std::size_t> ends = data.AllEnds();
    const std::size_t begin = Begin(index);
    ends.insert(ends.begin() + static_cast<std::ptrdiff_t>(index), begin);
    for (std::size_t i = index; i < ends.size(); ++i) {
        ends[i] += line.size();
    }
    data.m_bytes.insert(data.m_bytes.begin() + static_cast<std::ptrdiff_t>(begin), line.begin(), line.end());
    data.SetEnds(ends);
}

void CLineStore::Remove(std::size_t index)
{
    if (index >= Count()) {
        return;
    }
    CData& data = Writable();
    std::vector<std::size_t> ends = data.AllEnds();
    const std::size_t begin = Begin(index);
    const std::size_t length = ends[index] - begin;
    ends.erase(ends.begin() + static_cast<std::ptrdiff_t>(index));
    for (std::size_t i = index; i < ends.size(); ++i) {
        ends[i] -= length;
    }
    const auto first = data.m_bytes.begin() + static_cast<std::ptrdiff_t>(begin);
    data.m_bytes.erase(first, first + static_cast<std::ptrdiff_t>(length));
    data.SetEnds(ends);
}

void CLineStore::Resize(std::size_t count)
{
    if (count == Count()) {
        return;
    }
    if (count == 0) {
        Clear();
        return;
    }
    CData& data = Writable();
    std::vector<std::size_t> ends = data.AllEnds();
    if (count < ends.size()) {
        data.m_bytes.resize(ends[count - 1]);
    }
    ends.resize(count, data.m_bytes.size());
    data.SetEnds(ends);
}

void CLineStore::Clear()
{
    m_data.reset();
}

bool CLineStore::operator==(const CLineStore& other) const
{
    if (Count() != other.Count()) {
        return false;
    }
    if (IsEmpty() || m_data == other.m_data) {
        return true;
    }
    return m_data->m_ends == other.m_data->m_ends && m_data->m_wraps == other.m_data->m_wraps &&
           m_data->m_bytes == other.m_data->m_bytes;
}
