#pragma once
// A combo box that remembers confirmed texts in numbered values of a profile section (through
// AfxGetApp()'s profile strings) and restores the last current text. It is attached to a
// template combo box, never created here, and writes only when SaveHistory runs.

#include "ComboBox.h"

#include <string>

class CHistoryComboBox : public CComboBox {
public:
    CHistoryComboBox() = default;

    // Null or empty section, or null prefix: returns "" and changes nothing. Otherwise
    // switches storage on, adds the stored entries (prefix0, prefix1, ... up to the first
    // empty one) and, with keepCurrent, restores the current text and returns it.
    std::string LoadHistory(const char* section, const char* entryPrefix, BOOL keepCurrent = TRUE,
                            const char* currentEntry = nullptr);
    // Does nothing while storage is off. With addCurrentText the edit text, stripped of
    // white space, goes to the top first; then at most m_nMaxItems + 1 items and, with
    // keepCurrent, the (unstripped) edit text are written.
    void SaveHistory(BOOL addCurrentText = TRUE);
    // With storage on: puts text stripped of blanks at index 0, removes the first older
    // copy (ignoring case) and selects it; returns 0. With storage off: a plain add.
    int AddToHistory(const std::string& text1252);

    // The value name of the current text: m_strCurrentEntry, else the prefix, else "Last".
    std::string CurrentEntryName() const;

private:
    std::string EntryName(int index) const;

    std::string m_strSection;      // profile section; empty: storage off
    std::string m_strEntryPrefix;  // prefix of the numbered value names
    std::string m_strCurrentEntry; // value name of the current text; empty: derived
    BOOL m_bKeepCurrent = TRUE;    // save and restore the current text
    int m_nMaxItems = 10;          // at most m_nMaxItems + 1 entries are written
};
