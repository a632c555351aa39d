#include "ListBoxDelegate.h"

#include <QAbstractItemModel>
#include <QFontMetrics>
#include <QPainter>
#include <QTextOption>

#include <algorithm>

namespace {

constexpr int kTextMargin = 2; // pixels left of the text
constexpr int kAddressField = 4;   // the bracketed address's field, counted from 0
constexpr int kNameStops = 6;      // where names stand when the addresses leave room

// The address field of a hop line or of the heading, else an empty view.
QStringView AddressField(const QString& line)
{
    int start = 0;
    for (int field = 0; field < kAddressField; ++field) {
        start = line.indexOf(QLatin1Char('\t'), start);
        if (start < 0)
            return {};
        ++start;
    }
    if (start >= line.size() || line[start] != QLatin1Char('['))
        return {};
    const int end = line.indexOf(QLatin1Char('\t'), start);
    return QStringView(line).mid(start, end < 0 ? -1 : end - start);
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
    const QString line = index.data(Qt::DisplayRole).toString();
    const QStringView address = AddressField(line);
    const qsizetype addressEnd = address.isEmpty() ? -1 : address.data() - line.data() + address.size();
    if (addressEnd < 0 || addressEnd >= line.size()) {
        painter->drawText(textRect, line, textOption);
        painter->restore();
        return;
    }
    // The name, with the tabs before it, goes to the list's name column.
    painter->drawText(textRect, line.left(addressEnd), textOption);
    qsizetype nameStart = addressEnd;
    while (nameStart < line.size() && line[nameStart] == QLatin1Char('\t'))
        ++nameStart;
    const int column = NameColumn(option.font, index.model());
    painter->drawText(textRect.adjusted(column, 0, 0, 0), line.mid(nameStart), textOption);
    painter->restore();
}

int CListBoxDelegate::NameColumn(const QFont& font, const QAbstractItemModel* model) const
{
    const int standard = kNameStops * m_nTabStop;
    if (model == nullptr)
        return standard;
    Watch(model);
    if (m_strFont != font.key()) {
        m_strFont = font.key();
        m_nWidestAddress = 0;
        m_nMeasuredRows = 0;
    }
    const int rows = model->rowCount();
    const QFontMetrics metrics(font);
    for (; m_nMeasuredRows < rows; ++m_nMeasuredRows) {
        const QString line = model->index(m_nMeasuredRows, 0).data(Qt::DisplayRole).toString();
        const QStringView address = AddressField(line);
        if (!address.isEmpty())
            m_nWidestAddress = std::max(m_nWidestAddress, metrics.horizontalAdvance(address.toString()));
    }
    // One stop's gap behind the widest address, as a tab behind it would leave at least.
    const int reached = kAddressField * m_nTabStop + m_nWidestAddress;
    const int needed = (reached / m_nTabStop + 1) * m_nTabStop;
    return std::max(standard, needed);
}

void CListBoxDelegate::Watch(const QAbstractItemModel* model) const
{
    if (m_pWatched == model)
        return;
    m_pWatched = model;
    m_nWidestAddress = 0;
    m_nMeasuredRows = 0;
    const auto restart = [this] {
        m_nWidestAddress = 0;
        m_nMeasuredRows = 0;
    };
    connect(model, &QAbstractItemModel::rowsRemoved, this, restart);
    connect(model, &QAbstractItemModel::modelReset, this, restart);
    connect(model, &QAbstractItemModel::dataChanged, this, restart);
}

QSize CListBoxDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& /*index*/) const
{
    // All lines are one text line high; the width does not matter to a list box.
    return {1, QFontMetrics(option.font).height()};
}
