#pragma once
// What a print job knows: direct or with the dialog, preview or not, the page being drawn
// and the printer it goes to.

#include "WinTypes.h"

class QPrinter;

class CPrintInfo {
public:
    BOOL m_bDirect = FALSE;
    BOOL m_bPreview = FALSE;
    BOOL m_bContinuePrinting = TRUE;
    UINT m_nCurPage = 1;
    UINT m_nMaxPage = 0; // 0: not known, one page is printed
    QPrinter* m_pPrinter = nullptr;
};
