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

std::pair<const CLineStore*, std::size_t> CListBoxModel::Locate(int index) const
{
    auto line = static_cast<std::size_t>(index);
    for (const CLineStore& block : m_blocks) {
        if (line < block.Count()) {
            return {&block, line};
        }
        line -= block.Count();
    }
    return {nullptr, 0};
}

std::string CListBoxModel::At(int index) const
{
    const auto [block, line] = Locate(index);
    return block != nullptr ? std::string(block->At(line)) : std::string();
}

void CListBoxModel::Flatten()
{
    if (m_blocks.size() <= 1 && (m_blocks.empty() || !m_blocks.front().IsShared())) {
        return;
    }
    CLineStore merged;
    for (const CLineStore& block : m_blocks) {
        merged.Append(block);
    }
    merged.Reserve(1, 0); // a store of its own
    m_blocks.assign(1, std::move(merged));
}

int CListBoxModel::Insert(int index, const std::string& text1252)
{
    if (index < 0 || index > Count()) {
        index = Count();
    }
    if (index < Count()) {
        Flatten();
    } else if (m_blocks.empty() || m_blocks.back().IsShared()) {
        m_blocks.emplace_back();
    }
    CLineStore& block = index < Count() ? m_blocks.front() : m_blocks.back();
    const std::size_t line = index < Count() ? static_cast<std::size_t>(index) : block.Count();
    beginInsertRows(QModelIndex(), index, index);
    block.Insert(line, text1252);
    ++m_nCount;
    endInsertRows();
    return index;
}

void CListBoxModel::Remove(int index)
{
    Flatten();
    beginRemoveRows(QModelIndex(), index, index);
    m_blocks.front().Remove(static_cast<std::size_t>(index));
    --m_nCount;
    endRemoveRows();
}

void CListBoxModel::Clear()
{
    beginResetModel();
    m_blocks.clear();
    m_nCount = 0;
    endResetModel();
}

void CListBoxModel::Append(const CLineStore& lines)
{
    if (lines.IsEmpty()) {
        return;
    }
    m_blocks.reserve(m_blocks.size() + 1);
    const int first = Count();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(lines.Count()) - 1);
    m_blocks.push_back(lines);
    m_nCount += static_cast<int>(lines.Count());
    endInsertRows();
}
