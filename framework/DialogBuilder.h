#pragma once
// Turns a dialog template into widgets. Dialog units are converted with the dialog font's
// average character width / 4 and height / 8; each control gets its id as objectName and
// its style word as the "winStyle" property; the tab order is the template's order.

#include "DialogTemplate.h"

#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

class CDialogBuilder {
public:
    // The platform's default sans font at the template's point size.
    static QFont DialogFont(const CDialogTemplate& dialogTemplate);
    // Average character width and height of font, in pixels.
    static QSize BaseUnits(const QFont& font);
    static QRect MapDialogRect(const QFont& font, const QRect& dialogUnits);
    static QSize DialogSize(const CDialogTemplate& dialogTemplate);
    // Creates the template's controls as children of parent, in template order.
    static void BuildChildren(const CDialogTemplate& dialogTemplate, QWidget* parent);
    static QWidget* CreateControl(const CDialogItemTemplate& item, QWidget* parent, const QFont& font);
};
