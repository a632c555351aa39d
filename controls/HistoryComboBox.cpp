#include "HistoryComboBox.h"

#include "WinApp.h"
#include "WinDefs.h"
#include "WinStyles.h"

#include <algorithm>

namespace {

std::string Strip(const std::string& text, const char* characters)
{
    const std::size_t first = text.find_first_not_of(characters);
    if (first == std::string::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(characters);
    return text.substr(first, last - first + 1);
}

} // namespace

std::string CHistoryComboBox::EntryName(int index) const
{
    return m_strEntryPrefix + std::to_string(index);
}

std::string CHistoryComboBox::CurrentEntryName() const
{
    if (!m_strCurrentEntry.empty()) {
        return m_strCurrentEntry;
    }
    return m_strEntryPrefix.empty() ? "Last" : m_strEntryPrefix;
}

int CHistoryComboBox::AddToHistory(const std::string& text1252)
{
    if (m_strSection.empty() || m_strEntryPrefix.empty()) {
        return AddString(text1252);
    }
    const std::string text = Strip(text1252, " ");
    const int inserted = InsertString(0, text);
    const int found = FindStringExact(0, text);
    if (found != CB_ERR && found != 0) {
        DeleteString(found);
    }
    SetCurSel(inserted);
    return inserted;
}

std::string CHistoryComboBox::LoadHistory(const char* section, const char* entryPrefix, BOOL keepCurrent,
                                          const char* currentEntry)
{
    if (section == nullptr || entryPrefix == nullptr || *section == '\0') {
        return {};
    }
    m_strSection = section;
    m_strEntryPrefix = entryPrefix;
    m_strCurrentEntry = currentEntry != nullptr ? currentEntry : "";
    m_bKeepCurrent = keepCurrent;

    CWinApp* app = AfxGetApp();
    for (int index = 0;; ++index) {
        const std::string entry = app->GetProfileString(m_strSection, EntryName(index));
        if (entry.empty()) {
            break;
        }
        AddString(entry);
    }
    if (!m_bKeepCurrent) {
        return {};
    }
    const std::string current = app->GetProfileString(m_strSection, CurrentEntryName());
    if (current.empty()) {
        return current;
    }
    const int found = FindStringExact(-1, current);
    if (found != CB_ERR) {
        SetCurSel(found);
    } else if ((GetStyle() & CBS_DROPDOWN) != 0) {
        SetWindowText(current);
    }
    return current;
}

void CHistoryComboBox::SaveHistory(BOOL addCurrentText)
{
    if (m_strSection.empty()) {
        return;
    }
    if (addCurrentText) {
        const std::string text = Strip(GetWindowText(), " \t\n\v\f\r");
        if (!text.empty()) {
            AddToHistory(text);
        }
    }
    CWinApp* app = AfxGetApp();
    const int count = std::min(GetCount(), m_nMaxItems + 1);
    for (int index = 0; index < count; ++index) {
        app->WriteProfileString(m_strSection, EntryName(index), GetLBText(index));
    }
    if (m_bKeepCurrent) {
        app->WriteProfileString(m_strSection, CurrentEntryName(), GetWindowText());
    }
}
