#include "gdac/GdacResultModel.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>

#include "gdac/GdacIndex.h"

void CGdacResultModel::SetRows(GdacSearchRows rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_order.resize(m_rows.starts.size());
    std::iota(m_order.begin(), m_order.end(), 0u);
    m_columns.clear();
    m_fileColumn = 0;
    const auto names = SplitIndexLine(m_rows.columnLine);
    for (std::size_t i = 0; i < names.size(); ++i) {
        m_columns << QString::fromUtf8(names[i].data(), static_cast<qsizetype>(names[i].size()));
        if (names[i] == "file")
            m_fileColumn = static_cast<int>(i);
    }
    endResetModel();
}

int CGdacResultModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_order.size());
}

int CGdacResultModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

std::string_view CGdacResultModel::LineOf(int row) const
{
    if (row < 0 || row >= static_cast<int>(m_order.size()))
        return {};
    const std::size_t line = m_order[static_cast<std::size_t>(row)];
    const std::size_t start = m_rows.starts[line];
    const std::size_t end = m_rows.text.find('\n', start);
    return std::string_view(m_rows.text).substr(start, end - start);
}

std::uint32_t CGdacResultModel::LineIndexOf(int row) const
{
    return row >= 0 && row < static_cast<int>(m_order.size()) ? m_order[static_cast<std::size_t>(row)] : 0;
}

int CGdacResultModel::RowOfLine(std::uint32_t line) const
{
    const auto at = std::find(m_order.begin(), m_order.end(), line);
    return at == m_order.end() ? -1 : static_cast<int>(at - m_order.begin());
}

std::string_view CGdacResultModel::Field(std::size_t line, int column) const
{
    const std::size_t start = m_rows.starts[line];
    std::string_view text = std::string_view(m_rows.text).substr(start, m_rows.text.find('\n', start) - start);
    for (int i = 0; i < column; ++i) {
        const auto comma = text.find(',');
        if (comma == std::string_view::npos)
            return {};
        text.remove_prefix(comma + 1);
    }
    return text.substr(0, text.find(','));
}

QVariant CGdacResultModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= static_cast<int>(m_order.size()))
        return {};
    const std::string_view f = Field(m_order[static_cast<std::size_t>(index.row())], index.column());
    return QString::fromUtf8(f.data(), static_cast<qsizetype>(f.size()));
}

QVariant CGdacResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_columns.size() ? m_columns[section] : QVariant();
    return section + 1;
}

std::string CGdacResultModel::FileOf(int row) const
{
    if (row < 0 || row >= static_cast<int>(m_order.size()))
        return {};
    return std::string(Field(m_order[static_cast<std::size_t>(row)], m_fileColumn));
}

void CGdacResultModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= m_columns.size())
        return;
    static const QStringList numeric{QStringLiteral("date"), QStringLiteral("latitude"), QStringLiteral("longitude"),
                                     QStringLiteral("profiler_type"), QStringLiteral("date_update")};
    emit layoutAboutToBeChanged();
    const bool descending = order == Qt::DescendingOrder;
    std::vector<std::uint32_t> lines(m_rows.starts.size());
    std::iota(lines.begin(), lines.end(), 0u);
    if (numeric.contains(m_columns[column])) {
        std::vector<double> keys(lines.size());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::string_view f = Field(i, column);
            double v = NAN;
            if (std::from_chars(f.data(), f.data() + f.size(), v).ec != std::errc() || f.empty())
                v = NAN;
            keys[i] = v;
        }
        std::stable_sort(lines.begin(), lines.end(), [&](std::uint32_t a, std::uint32_t b) {
            const double x = keys[a], y = keys[b];
            if (std::isnan(x) || std::isnan(y))
                return !std::isnan(x) && std::isnan(y); // rows without a value go last
            return descending ? x > y : x < y;
        });
    } else {
        std::vector<std::string_view> keys(lines.size());
        for (std::size_t i = 0; i < lines.size(); ++i)
            keys[i] = Field(i, column);
        std::stable_sort(lines.begin(), lines.end(), [&](std::uint32_t a, std::uint32_t b) {
            return descending ? keys[a] > keys[b] : keys[a] < keys[b];
        });
    }
    const QModelIndexList before = persistentIndexList();
    std::vector<std::uint32_t> whereNow(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        whereNow[lines[i]] = static_cast<std::uint32_t>(i);
    QModelIndexList after;
    for (const QModelIndex& idx : before)
        after << index(static_cast<int>(whereNow[m_order[static_cast<std::size_t>(idx.row())]]), idx.column());
    m_order = std::move(lines);
    changePersistentIndexList(before, after);
    emit layoutChanged();
}
