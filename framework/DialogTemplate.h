#pragma once
// A dialog resource as data: the dialog's size, caption, style and font, and its
// controls with positions in dialog units. Kept free of Qt so resources can hold it.

#include "WinTypes.h"

#include <string>
#include <vector>

enum class EControlClass { Button, Static, Edit, ListBox, ComboBox, Icon };

struct CDialogItemTemplate {
    int m_id;
    EControlClass m_class;
    std::string m_text; // UTF-8; an icon control names its icon resource id ("128")
    int m_x, m_y, m_cx, m_cy; // dialog units
    DWORD m_style;
};

struct CDialogTemplate {
    UINT m_id;
    std::string m_caption; // UTF-8
    int m_cx, m_cy;        // dialog units
    DWORD m_style;
    std::string m_fontName;
    int m_pointSize;
    std::vector<CDialogItemTemplate> m_items;
};
