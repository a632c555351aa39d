#pragma once
// A growable array of 8-bit strings with the framework's accessors and its archive form:
// the element count, then each string. The strings sit in one compact store, shared with
// copies until they change. Loading replaces the contents only when the whole array was
// read; a failed load leaves the array as it was.

#include "LineStore.h"

#include <cstddef>
#include <string>
#include <vector>

class CArchive;

class CStringArray
{
public:
    CStringArray() = default;
    CStringArray(const std::vector<std::string>& lines);

    std::ptrdiff_t GetSize() const;
    bool empty() const { return m_lines.IsEmpty(); }
    // Throws std::out_of_range for an index outside the array.
    std::string GetAt(std::ptrdiff_t index) const;
    std::ptrdiff_t Add(const std::string& text); // returns the new element's index
    void SetSize(std::ptrdiff_t size);
    void Copy(const CStringArray& other);
    void RemoveAll();
    // The strings as one store, to share with a list that shows them.
    const CLineStore& GetStore() const { return m_lines; }

    void Serialize(CArchive& ar);

    bool operator==(const CStringArray& other) const { return m_lines == other.m_lines; }

private:
    void Store(CArchive& ar) const;
    void Load(CArchive& ar);

    CLineStore m_lines;
};
