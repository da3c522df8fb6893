#pragma once
#include <QWidget>

#include <cstddef>
#include <vector>

#include "profile/profile_summary.h"

class CProfileChooserModel;
class QSortFilterProxyModel;
class QTableView;
class QItemSelection;

// The profile chooser: one row per profile of a file, sortable by each column. Profile
// View and the CSV export choose one profile, Graph View several; the profiles chosen
// are kept in the order they were chosen, the first being the one the tools follow.
class CProfileChooser : public QWidget {
    Q_OBJECT
public:
    explicit CProfileChooser(QWidget* parent = nullptr);

    // Lists the profiles and chooses profile 0.
    void SetProfiles(std::vector<ProfileSummary> profiles);
    // Several profiles at once (Ctrl and Shift clicks), or one.
    void SetMultipleChoice(bool multiple);
    bool MultipleChoice() const;

    // The chosen profiles' indices in the file, first chosen first.
    const std::vector<std::size_t>& Chosen() const { return m_chosen; }
    std::size_t First() const { return m_chosen.empty() ? 0 : m_chosen.front(); }
    // Chooses these profiles (indices in the file), the first becoming the first;
    // emits chosenChanged.
    void Choose(const std::vector<std::size_t>& profiles);

    QTableView* View() const { return m_view; }
    int ProfileCount() const;

signals:
    void chosenChanged();

private:
    void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    std::size_t ProfileOfViewRow(int row) const;

    CProfileChooserModel* m_model = nullptr;
    QSortFilterProxyModel* m_proxy = nullptr;
    QTableView* m_view = nullptr;
    std::vector<std::size_t> m_chosen;
    bool m_choosing = false;
};
