#pragma once
// A frame's resources as data: its menu bar, accelerator table and toolbar buttons, found
// by the frame's resource id. Kept free of Qt so resources can hold it.

#include "TemplateRegistrar.h"
#include "WinTypes.h"

#include <vector>

struct CMenuItem {
    enum EKind { Command, Popup, Separator };
    EKind m_kind;
    UINT m_id;          // command id; 0 for pop-ups and separators
    const char* m_text; // UTF-8, "&" marks the mnemonic, "\t" the shown shortcut
    BOOL m_bGrayed;
    std::vector<CMenuItem> m_items; // a pop-up's items
};

// Virtual-key flags and codes of the accelerators.
constexpr BYTE FVIRTKEY = 0x01;
constexpr BYTE FSHIFT = 0x04;
constexpr BYTE FCONTROL = 0x08;
constexpr BYTE FALT = 0x10;
constexpr WORD VK_BACK = 0x08;
constexpr WORD VK_INSERT = 0x2D;
constexpr WORD VK_DELETE = 0x2E;
constexpr WORD VK_F6 = 0x75;

struct CAccelerator {
    BYTE m_fVirt;
    WORD m_key; // a virtual-key code; letters are their capital ASCII code
    UINT m_cmd;
};

struct CFrameTemplate {
    UINT m_id;
    std::vector<CMenuItem> m_menu;
    std::vector<CAccelerator> m_accelerators;
    // Button commands left to right; ID_SEPARATOR (0) marks a separator.
    std::vector<UINT> m_toolBar;
    int m_nButtonWidth, m_nButtonHeight; // pixels, the size of one image of the strip
};

using CFrameTemplateRegistrar = CTemplateRegistrar<CFrameTemplate>;
