#pragma once
// A list box over a QListView with its own line model (CListBoxModel): lines of
// Windows-1252 text, tabs expanded at stops every 32 dialog units, uniform line heights
// so that a hundred thousand lines stay quick; as wide as the widest line drawn so far, so
// that a line wider than the list scrolls it sideways. Sorting is not supported.

#include "Wnd.h"

#include <string>

class CListBoxModel;

class CListBox : public CWnd {
public:
    // Index of the new line, or LB_ERR without a window.
    int AddString(const std::string& text1252);
    int InsertString(int index, const std::string& text1252);
    int DeleteString(int index);
    void ResetContent();
    // Line count, or LB_ERR without a window.
    int GetCount() const;
    // Length of line index, or LB_ERR when there is no such line.
    int GetText(int index, std::string& text1252) const;
    int GetTextLen(int index) const;
    // Scrolls so that line index is the first shown, or as near as the list's end allows.
    int SetTopIndex(int index);

    // A list box's tab stops, in dialog units (horizontal ones: a quarter of the dialog
    // font's average character width).
    static constexpr int s_nTabStopUnits = 32;

    // Builds a list view holding a line model; the template builder uses it. A line wider
    // than the list scrolls it sideways.
    static QWidget* CreateListWidget(QWidget* parent, int tabStopPixels);
    CListBoxModel* GetModel() const;
};
