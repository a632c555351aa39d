#pragma once
// Draws a list box line with its tabs expanded at fixed stops (in pixels). Every line is as
// wide as the widest drawn so far, so that the list scrolls sideways to a wider line; the
// width is measured only for the lines drawn, never for a whole long listing.

#include <QStyledItemDelegate>

class CListBoxDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    CListBoxDelegate(int tabStopPixels, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    int TabStop() const { return m_nTabStop; }
    // Forgets the widest line, for a list emptied.
    void ResetWidest() { m_nWidest = 1; }

private:
    int m_nTabStop;        // pixels
    mutable int m_nWidest = 1; // pixels, margins included
};
