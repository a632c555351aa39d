#include "ListBoxDelegate.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextOption>
#include <QtMath>

#include <algorithm>

namespace {

constexpr int kTextMargin = 2;   // pixels left of the text
constexpr int kAddressField = 4; // the bracketed address's field, counted from 0
constexpr int kNameStops = 6;    // where names stand when the addresses leave room

// Where the address field of a hop line or of the heading begins, else -1.
qsizetype AddressStart(const QString& line)
{
    qsizetype start = 0;
    for (int field = 0; field < kAddressField; ++field) {
        start = line.indexOf(QLatin1Char('\t'), start);
        if (start < 0)
            return -1;
        ++start;
    }
    return start < line.size() && line[start] == QLatin1Char('[') ? start : -1;
}

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
    const int addressWidest = m_nWidestAddress;
    const int width = DrawLine(painter, textRect, text, textOption) + 2 * kTextMargin;
    painter->restore();
    // A wider line or a wider address: the lines drawn before are laid out and drawn again.
    if (width > m_nWidest || m_nWidestAddress > addressWidest) {
        m_nWidest = std::max(m_nWidest, width);
        emit const_cast<CListBoxDelegate*>(this)->sizeHintChanged(index);
    }
}

int CListBoxDelegate::DrawLine(QPainter* painter, const QRect& textRect, const QString& text,
                               const QTextOption& textOption) const
{
    const qsizetype addressStart = AddressStart(text);
    const qsizetype addressEnd = addressStart < 0 ? -1 : text.indexOf(QLatin1Char('\t'), addressStart);
    if (addressEnd < 0) {
        painter->drawText(textRect, text, textOption);
        return qCeil(painter->boundingRect(QRectF(textRect), text, textOption).width());
    }
    const QString address = text.mid(addressStart, addressEnd - addressStart);
    m_nWidestAddress = std::max(m_nWidestAddress, QFontMetrics(painter->font()).horizontalAdvance(address));
    const QString numbers = text.left(addressEnd);
    painter->drawText(textRect, numbers, textOption);
    // The name, without the tabs before it, in the name column.
    qsizetype nameStart = addressEnd;
    while (nameStart < text.size() && text[nameStart] == QLatin1Char('\t'))
        ++nameStart;
    const QString name = text.mid(nameStart);
    const int column = NameColumn();
    painter->drawText(textRect.adjusted(column, 0, 0, 0), name, textOption);
    const int numbersWidth = qCeil(painter->boundingRect(QRectF(textRect), numbers, textOption).width());
    return std::max(numbersWidth, column + QFontMetrics(painter->font()).horizontalAdvance(name));
}

int CListBoxDelegate::NameColumn() const
{
    // At least a stop's gap behind the widest address, as a tab behind it would leave.
    const int reached = kAddressField * m_nTabStop + m_nWidestAddress;
    const int needed = (reached / m_nTabStop + 1) * m_nTabStop;
    return std::max(kNameStops * m_nTabStop, needed);
}

QSize CListBoxDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& /*index*/) const
{
    // All lines are one text line high and as wide as the widest drawn.
    return {m_nWidest, QFontMetrics(option.font).height()};
}
