#pragma once
// Draws a list box line with its tabs expanded at fixed stops (in pixels).

#include <QStyledItemDelegate>

class CListBoxDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    CListBoxDelegate(int tabStopPixels, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    int TabStop() const { return m_nTabStop; }

private:
    int m_nTabStop; // pixels
};
