#include "ListBoxModel.h"

#include "CodePage.h"

CListBoxModel::CListBoxModel(QObject* parent) : QAbstractListModel(parent)
{
}

int CListBoxModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

QVariant CListBoxModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count() || role != Qt::DisplayRole) {
        return {};
    }
    return CCodePage::ToQString(At(index.row()));
}

Qt::ItemFlags CListBoxModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled : Qt::NoItemFlags;
}

int CListBoxModel::Insert(int index, const std::string& text1252)
{
    if (index < 0 || index > Count()) {
        index = Count();
    }
    beginInsertRows(QModelIndex(), index, index);
    m_lines.insert(m_lines.begin() + index, text1252);
    endInsertRows();
    return index;
}

void CListBoxModel::Remove(int index)
{
    beginRemoveRows(QModelIndex(), index, index);
    m_lines.erase(m_lines.begin() + index);
    endRemoveRows();
}

void CListBoxModel::Clear()
{
    beginResetModel();
    m_lines.clear();
    endResetModel();
}

void CListBoxModel::Append(const std::vector<std::string>& lines)
{
    if (lines.empty()) {
        return;
    }
    const int first = Count();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(lines.size()) - 1);
    m_lines.insert(m_lines.end(), lines.begin(), lines.end());
    endInsertRows();
}
