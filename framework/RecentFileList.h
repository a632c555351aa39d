#pragma once
// The most recently used files, newest first, kept in the profile under a section with
// one value per entry ("Recent File List", "File1" ... "File4"). Paths are UTF-8.

#include "WinTypes.h"

#include <string>
#include <vector>

class CRecentFileList {
public:
    CRecentFileList(UINT start, std::string section, std::string entryFormat, int size);

    void Add(const std::string& pathName);
    void Remove(int index);
    int GetSize() const { return m_nSize; }
    int GetCount() const { return static_cast<int>(m_names.size()); }
    const std::string& operator[](int index) const { return m_names[static_cast<std::size_t>(index)]; }
    // The menu text of an entry: "&1 " and the path, its ampersands doubled.
    std::string GetMenuText(int index) const;
    UINT GetStartId() const { return m_nStart; }

    void ReadList();
    void WriteList() const;

private:
    std::string EntryName(int index) const;

    UINT m_nStart;
    std::string m_strSection;
    std::string m_strEntryFormat; // "File%d"
    int m_nSize;
    std::vector<std::string> m_names;
};
