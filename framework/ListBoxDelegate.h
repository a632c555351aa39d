#pragma once
// Draws a list box line with its tabs expanded at fixed stops (in pixels). A line whose
// fifth field is a bracketed address ("[...]") keeps its name, the text behind that field,
// in one column with every other such line: at the sixth stop, or further right where an
// address in the list (a long IPv6 one) would reach past it.

#include <QPointer>
#include <QStyledItemDelegate>

class QAbstractItemModel;

class CListBoxDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    CListBoxDelegate(int tabStopPixels, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    int TabStop() const { return m_nTabStop; }
    // Where the name column begins, in pixels from the text's left, for model's lines.
    int NameColumn(const QFont& font, const QAbstractItemModel* model) const;

private:
    void Watch(const QAbstractItemModel* model) const;

    int m_nTabStop; // pixels
    // The widest address field among the model's rows measured so far (pixels), and how
    // many rows that covers; rows taken away or reset start the count again.
    mutable QPointer<const QAbstractItemModel> m_pWatched;
    mutable int m_nWidestAddress = 0;
    mutable int m_nMeasuredRows = 0;
    mutable QString m_strFont;
};
