#pragma once
// Draws a list box line with its tabs expanded at fixed stops (in pixels). Every line is as
// wide as the widest drawn so far, so that the list scrolls sideways to a wider line; the
// width is measured only for the lines drawn, never for a whole long listing. A line whose
// fifth field is a bracketed address ("[...]") has its name, the text behind that field,
// in one column with the other such lines: at the sixth stop, or right of the widest
// address drawn where one (a long IPv6 address) would reach past it.

#include <QStyledItemDelegate>

class CListBoxDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    CListBoxDelegate(int tabStopPixels, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    int TabStop() const { return m_nTabStop; }
    // Forgets the widest line and address, for a list emptied.
    void ResetWidest()
    {
        m_nWidest = 1;
        m_nWidestAddress = 0;
    }
    // Where the name column begins, in pixels from the text's left.
    int NameColumn() const;

private:
    // Draws the line, its name in the name column; returns the width it took.
    int DrawLine(QPainter* painter, const QRect& textRect, const QString& text, const QTextOption& textOption) const;

    int m_nTabStop;        // pixels
    mutable int m_nWidest = 1; // pixels, margins included
    mutable int m_nWidestAddress = 0; // pixels, the widest address field drawn
};
