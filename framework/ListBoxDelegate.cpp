#include "ListBoxDelegate.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextOption>
#include <QtMath>

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
    const QString text = index.data(Qt::DisplayRole).toString();
    painter->drawText(textRect, text, textOption);
    const int width = qCeil(painter->boundingRect(QRectF(textRect), text, textOption).width()) + 2 * kTextMargin;
    painter->restore();
    if (width > m_nWidest) {
        m_nWidest = width;
        emit const_cast<CListBoxDelegate*>(this)->sizeHintChanged(index);
    }
}

QSize CListBoxDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& /*index*/) const
{
    // All lines are one text line high and as wide as the widest drawn.
    return {m_nWidest, QFontMetrics(option.font).height()};
}
