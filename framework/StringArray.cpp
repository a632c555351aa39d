#include "StringArray.h"

#include "Archive.h"

std::ptrdiff_t CStringArray::GetSize() const
{
    return static_cast<std::ptrdiff_t>(size());
}

const std::string& CStringArray::GetAt(std::ptrdiff_t index) const
{
    return at(static_cast<std::size_t>(index));
}

std::string& CStringArray::GetAt(std::ptrdiff_t index)
{
    return at(static_cast<std::size_t>(index));
}

std::ptrdiff_t CStringArray::Add(const std::string& text)
{
    push_back(text);
    return GetSize() - 1;
}

void CStringArray::SetSize(std::ptrdiff_t size)
{
    resize(size < 0 ? 0 : static_cast<std::size_t>(size));
}

void CStringArray::Copy(const CStringArray& other)
{
    if (&other != this)
        assign(other.begin(), other.end());
}

void CStringArray::RemoveAll()
{
    clear();
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
    ar.WriteCount(size());
    for (const std::string& text : *this)
        ar.WriteString(text);
}

void CStringArray::Load(CArchive& ar)
{
    const std::uint64_t count = ar.ReadCount();
    std::vector<std::string> loaded;
    loaded.reserve(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i)
        loaded.push_back(ar.ReadString());
    swap(loaded);
}
