#include "ListBoxDelegate.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextOption>

namespace {

constexpr int kTextMargin = 2; // pixels left of the text

} // namespace

CListBoxDelegate::CListBoxDelegate(int tabStopPixels, QObject* parent)
    : QStyledItemDelegate(parent), m_nTabStop(tabStopPixels > 0 ? tabStopPixels : 1)
{
}

void CListBoxDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    QTextOption textOption(Qt::AlignLeft | Qt::AlignVCenter);
    textOption.setWrapMode(QTextOption::NoWrap);
    textOption.setTabStopDistance(m_nTabStop);
    painter->save();
    painter->setFont(option.font);
    painter->setPen(option.palette.color(QPalette::Text));
    const QRect textRect = option.rect.adjusted(kTextMargin, 0, 0, 0);
    painter->drawText(textRect, index.data(Qt::DisplayRole).toString(), textOption);
    painter->restore();
}

QSize CListBoxDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& /*index*/) const
{
    // All lines are one text line high; the width does not matter to a list box.
    return {1, QFontMetrics(option.font).height()};
}
