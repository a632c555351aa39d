#pragma once
// The lines of a list box: Windows-1252 strings, converted for display when asked.

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
    // Appends many lines with one model notification.
    void Append(const std::vector<std::string>& lines);
    int Count() const { return static_cast<int>(m_lines.size()); }
    const std::string& At(int index) const { return m_lines[static_cast<std::size_t>(index)]; }

private:
    std::vector<std::string> m_lines;
};
