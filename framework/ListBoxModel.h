#pragma once
// The lines of a list box: Windows-1252 strings, converted for display only when a line is
// drawn. A listing taken over whole stays one block shared with its owner, so showing it
// costs no second copy; lines added one at a time go to a block of the list's own.

#include "LineStore.h"

#include <QAbstractListModel>

#include <string>
#include <vector>

class CListBoxModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit CListBoxModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int Insert(int index, const std::string& text1252);
    void Remove(int index);
    void Clear();
    // Appends all of lines with one model notification, sharing their store.
    void Append(const CLineStore& lines);
    int Count() const { return m_nCount; }
    std::string At(int index) const;

private:
    // The block holding line index, and the line's index within it.
    std::pair<const CLineStore*, std::size_t> Locate(int index) const;
    // Merges the blocks into one of the list's own, for a change inside them.
    void Flatten();

    std::vector<CLineStore> m_blocks;
    int m_nCount = 0;
};
