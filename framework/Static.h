#pragma once
// A static control (a QLabel from a dialog template): text and style through CWnd; the
// label itself for drawing.

#include "Wnd.h"

class QLabel;

class CStatic : public CWnd {
public:
    QLabel* GetLabel() const;
};
