#pragma once
// Dialog data exchange: towards the controls (m_bSaveAndValidate FALSE) or from them.

#include "WinTypes.h"

#include <string>

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* dlgWnd, BOOL saveAndValidate)
        : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dlgWnd) {}

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd; // the dialog or form whose controls are exchanged
};

// Attaches control to the template control id the first time (runs its PreSubclassWindow).
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
// The edit text of a combo box.
void DDX_CBString(CDataExchange* pDX, int id, std::string& value);
// The text of an edit control.
void DDX_Text(CDataExchange* pDX, int id, std::string& value);
