#pragma once
// The main frame's menu bar, toolbar and accelerator table as data (resource 128).

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

class CMenuResource {
public:
    static const std::vector<CMenuItem>& MainMenu();
    // Button commands left to right; ID_SEPARATOR (0) marks a separator.
    static const std::vector<UINT>& ToolBar();
    static const std::vector<CAccelerator>& Accelerators();
    // Status bar panes: ID_SEPARATOR, then the three lock indicators.
    static const std::vector<UINT>& Indicators();
    // The toolbar button size and image strip, in pixels.
    static constexpr int s_nButtonWidth = 16;
    static constexpr int s_nButtonHeight = 15;
};
