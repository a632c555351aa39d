#pragma once
// The main frame's menu bar, toolbar and accelerator table as data (resource 128).

#include "FrameTemplate.h"

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
