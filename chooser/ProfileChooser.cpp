#include "chooser/ProfileChooser.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

#include "chooser/ProfileChooserModel.h"

CProfileChooser::CProfileChooser(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ProfileChooser"));
    m_model = new CProfileChooserModel(this);
    m_proxy = new QSortFilterProxyModel(this);
    m_proxy->setSourceModel(m_model);
    m_proxy->setSortRole(Qt::UserRole);
    m_view = new QTableView(this);
    m_view->setModel(m_proxy);
    m_view->setSortingEnabled(true);
    m_view->sortByColumn(CProfileChooserModel::Index, Qt::AscendingOrder);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setAlternatingRowColors(true);
    m_view->setWordWrap(false);
    m_view->verticalHeader()->hide();
    // Fixed sizes: measuring thousands of rows or cells would cost more than listing them.
    const int rowHeight = fontMetrics().height() + 4;
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(rowHeight);
    // Each column as wide as its title (and the sort arrow) or its widest usual text.
    const QFontMetrics metrics = m_view->horizontalHeader()->fontMetrics();
    const char* const widest[CProfileChooserModel::ColumnCount] = {
        "N_PROF", "Cycle", "Dir", "Mode", "2016-09-22 14:37", "-12.0140", "-114.5210", "Near-surface sampling",
        "Levels"};
    for (int c = 0; c < CProfileChooserModel::ColumnCount; ++c)
        m_view->setColumnWidth(c, metrics.horizontalAdvance(QString::fromLatin1(widest[c])) + 34);
    m_view->horizontalHeader()->setStretchLastSection(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CProfileChooser::OnSelectionChanged);
}

int CProfileChooser::ProfileCount() const
{
    return m_model->rowCount();
}

void CProfileChooser::SetProfiles(std::vector<ProfileSummary> profiles)
{
    // Per-parameter modes ("D (DOXY A)") widen the Mode column to their text.
    std::size_t longest = 0;
    const std::string* widest = nullptr;
    for (const ProfileSummary& p : profiles)
        if (p.modes.size() > longest) {
            longest = p.modes.size();
            widest = &p.modes;
        }
    if (widest && longest > 1) {
        const QFontMetrics metrics = m_view->fontMetrics();
        const int width = std::min(400, metrics.horizontalAdvance(QString::fromStdString(*widest)) + 16);
        m_view->setColumnWidth(CProfileChooserModel::DataMode,
                               std::max(m_view->columnWidth(CProfileChooserModel::DataMode), width));
    }
    m_choosing = true;
    m_model->SetProfiles(std::move(profiles));
    m_choosing = false;
    m_chosen.clear();
    if (m_model->rowCount() > 0)
        Choose({0});
}

void CProfileChooser::SetMultipleChoice(bool multiple)
{
    m_view->setSelectionMode(multiple ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

std::size_t CProfileChooser::ProfileOfViewRow(int row) const
{
    const QModelIndex source = m_proxy->mapToSource(m_proxy->index(row, 0));
    return static_cast<std::size_t>(source.row());
}

bool CProfileChooser::MultipleChoice() const
{
    return m_view->selectionMode() == QAbstractItemView::ExtendedSelection;
}

void CProfileChooser::Choose(const std::vector<std::size_t>& profiles)
{
    QItemSelection selection;
    std::vector<std::size_t> chosen;
    const std::size_t count = static_cast<std::size_t>(m_model->rowCount());
    std::set<std::size_t> seen;
    for (std::size_t p : profiles) {
        if (p >= count || !seen.insert(p).second)
            continue;
        const QModelIndex first = m_proxy->mapFromSource(m_model->index(static_cast<int>(p), 0));
        const QModelIndex last =
            m_proxy->mapFromSource(m_model->index(static_cast<int>(p), CProfileChooserModel::ColumnCount - 1));
        selection.select(first, last);
        chosen.push_back(p);
    }
    if (chosen.empty())
        return;
    m_choosing = true;
    m_view->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    const QModelIndex current = m_proxy->mapFromSource(m_model->index(static_cast<int>(chosen.front()), 0));
    m_view->selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    m_view->scrollTo(current);
    m_choosing = false;
    m_chosen = std::move(chosen);
    emit chosenChanged();
}

void CProfileChooser::OnSelectionChanged(const QItemSelection&, const QItemSelection&)
{
    if (m_choosing)
        return;
    // Profiles still chosen keep their order; newly chosen ones follow in view order.
    std::set<std::size_t> selected;
    for (const QModelIndex& index : m_view->selectionModel()->selectedRows()) {
        const std::size_t p = ProfileOfViewRow(index.row());
        selected.insert(p);
    }
    std::vector<std::size_t> chosen;
    for (std::size_t p : m_chosen)
        if (selected.count(p))
            chosen.push_back(p);
    for (int row = 0; row < m_proxy->rowCount(); ++row) {
        if (!m_view->selectionModel()->isRowSelected(row, {}))
            continue;
        const std::size_t p = ProfileOfViewRow(row);
        if (std::find(chosen.begin(), chosen.end(), p) == chosen.end())
            chosen.push_back(p);
    }
    // A tool always has a profile: a click that leaves nothing chosen keeps the old choice.
    if (chosen.empty()) {
        Choose(m_chosen);
        return;
    }
    if (chosen == m_chosen)
        return;
    m_chosen = std::move(chosen);
    emit chosenChanged();
}
