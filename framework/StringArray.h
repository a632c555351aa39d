#pragma once
// A growable array of 8-bit strings with the framework's accessors and its archive form:
// the element count, then each string. Loading replaces the contents only when the whole
// array was read; a failed load leaves the array as it was.

#include <cstddef>
#include <string>
#include <vector>

class CArchive;

class CStringArray : public std::vector<std::string>
{
public:
    std::ptrdiff_t GetSize() const;
    const std::string& GetAt(std::ptrdiff_t index) const;
    std::string& GetAt(std::ptrdiff_t index);
    std::ptrdiff_t Add(const std::string& text); // returns the new element's index
    void SetSize(std::ptrdiff_t size);
    void Copy(const CStringArray& other);
    void RemoveAll();

    void Serialize(CArchive& ar);

private:
    void Store(CArchive& ar) const;
    void Load(CArchive& ar);
};
