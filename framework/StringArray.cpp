#include "StringArray.h"

#include "Archive.h"

CStringArray::CStringArray(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        m_lines.Append(line);
}

std::ptrdiff_t CStringArray::GetSize() const
{
    return static_cast<std::ptrdiff_t>(m_lines.Count());
}

std::string CStringArray::GetAt(std::ptrdiff_t index) const
{
    if (index < 0)
        throw std::out_of_range("no such line");
    return std::string(m_lines.At(static_cast<std::size_t>(index)));
}

std::ptrdiff_t CStringArray::Add(const std::string& text)
{
    m_lines.Append(text);
    return GetSize() - 1;
}

void CStringArray::SetSize(std::ptrdiff_t size)
{
    m_lines.Resize(size < 0 ? 0 : static_cast<std::size_t>(size));
}

void CStringArray::Copy(const CStringArray& other)
{
    m_lines = other.m_lines;
}

void CStringArray::RemoveAll()
{
    m_lines.Clear();
}

void CStringArray::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
        Store(ar);
    else
        Load(ar);
}

void CStringArray::Store(CArchive& ar) const
{
    ar.WriteCount(m_lines.Count());
    for (std::size_t i = 0; i < m_lines.Count(); ++i)
        ar.WriteString(m_lines.At(i));
}

// Every line takes at least its one-byte length prefix, so the bytes that remain after
// the count bound the text to come: the store is sized once, before the first line.
void CStringArray::Load(CArchive& ar)
{
    const std::uint64_t count = ar.ReadCount();
    CLineStore loaded;
    loaded.Reserve(static_cast<std::size_t>(count), ar.GetRemaining() - static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i)
        loaded.Append(ar.ReadString());
    m_lines = std::move(loaded);
}
