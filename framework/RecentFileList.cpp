#include "RecentFileList.h"

#include "WinApp.h"

#include <algorithm>

CRecentFileList::CRecentFileList(UINT start, std::string section, std::string entryFormat, int size)
    : m_nStart(start), m_strSection(std::move(section)), m_strEntryFormat(std::move(entryFormat)), m_nSize(size)
{
}

void CRecentFileList::Add(const std::string& pathName)
{
    if (pathName.empty()) {
        return;
    }
    m_names.erase(std::remove(m_names.begin(), m_names.end(), pathName), m_names.end());
    m_names.insert(m_names.begin(), pathName);
    if (GetCount() > m_nSize) {
        m_names.resize(static_cast<std::size_t>(m_nSize));
    }
}

void CRecentFileList::Remove(int index)
{
    if (index < 0 || index >= GetCount()) {
        return;
    }
    m_names.erase(m_names.begin() + index);
}

std::string CRecentFileList::GetMenuText(int index) const
{
    std::string text = "&" + std::to_string(index + 1) + " ";
    for (const char c : (*this)[index]) {
        text += c;
        if (c == '&') {
            text += '&';
        }
    }
    return text;
}

std::string CRecentFileList::EntryName(int index) const
{
    std::string entry = m_strEntryFormat;
    const auto placeholder = entry.find("%d");
    if (placeholder != std::string::npos) {
        entry.replace(placeholder, 2, std::to_string(index + 1));
    }
    return entry;
}

void CRecentFileList::ReadList()
{
    m_names.clear();
    for (int i = 0; i < m_nSize; ++i) {
        const std::string name = AfxGetApp()->GetProfilePath(m_strSection, EntryName(i));
        if (!name.empty()) {
            m_names.push_back(name);
        }
    }
}

void CRecentFileList::WriteList() const
{
    for (int i = 0; i < m_nSize; ++i) {
        AfxGetApp()->WriteProfilePath(m_strSection, EntryName(i), i < GetCount() ? (*this)[i] : std::string());
    }
}
