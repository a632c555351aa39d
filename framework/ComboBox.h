#pragma once
// A drop-down combo box over an editable QComboBox, with the list operations of the Windows
// control written here where Qt differs (sorted plain add, unsorted insert, case-blind exact
// search that wraps, selection that fills the edit field); the QComboBox never sorts itself.

#include "Wnd.h"

#include <string>

class QComboBox;

constexpr int CB_ERRSPACE = -2;

class CComboBox : public CWnd {
public:
    // Index of the new item; CB_ERR without a window.
    int AddString(const std::string& text1252);
    // Puts the item at index (-1: at the end); CB_ERR when index is past the end.
    int InsertString(int index, const std::string& text1252);
    // Remaining item count, or CB_ERR when there is no such item.
    int DeleteString(int index);
    void ResetContent();
    // The first item after startAfter (-1: from the first) whose whole text equals text,
    // ignoring case, searching to the end and then from the first item; CB_ERR if none.
    int FindStringExact(int startAfter, const std::string& text1252) const;
    int GetCount() const;
    // Selects index and shows its text in the edit field; CB_ERR for a negative or
    // out-of-range index, which clears the selection and the edit field.
    int SetCurSel(int index);
    int GetCurSel() const;
    // Length of the item's text, or CB_ERR when there is no such item.
    int GetLBText(int index, std::string& text1252) const;
    std::string GetLBText(int index) const;

    // The edit field takes only as much text as fits its width unless the style has
    // CBS_AUTOHSCROLL, and beeps at a refused key; the visible height is the edit field's, the template's height
    // counted the dropped list in. Typed text is never completed or replaced by an item.
    void PreSubclassWindow() override;

protected:
    QComboBox* Combo() const;

private:
    // Inserts at a position already checked, keeping the selection and edit text.
    int InsertAt(int index, const std::string& text1252);
};
