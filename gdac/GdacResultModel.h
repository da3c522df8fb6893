#pragma once
// The rows an index search found, for a table view: the lines kept as the index wrote
// them, split into fields only for the rows on screen, sortable by any column.
#include <QAbstractTableModel>
#include <QStringList>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What a search gathers on the worker: the matching lines, one after another.
struct GdacSearchRows {
    std::string columnLine;
    std::string text;                // the lines, each ended by '\n'
    std::vector<std::size_t> starts; // where each line begins in `text`
    void Add(std::string_view line)
    {
        starts.push_back(text.size());
        text.append(line);
        text += '\n';
    }
};

class CGdacResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void SetRows(GdacSearchRows rows);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Numbers (date, latitude, longitude, ...) sort by value, rows without one last;
    // other columns by their text. Equal rows keep index order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The `file` field of a shown row, as the index wrote it.
    std::string FileOf(int row) const;
    // The index line of a shown row.
    std::string_view LineOf(int row) const;
    // The place among the matches (index order) of a shown row's line, and back (-1: none).
    std::uint32_t LineIndexOf(int row) const;
    int RowOfLine(std::uint32_t line) const;

private:
    std::string_view Field(std::size_t line, int column) const;

    GdacSearchRows m_rows;
    std::vector<std::uint32_t> m_order; // shown row -> line
    QStringList m_columns;
    int m_fileColumn = 0;
};
