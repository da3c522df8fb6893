#pragma once
#include <QAbstractTableModel>

#include <vector>

#include "profile/profile_summary.h"

// The profiles of a file as table rows: index, cycle, direction, data mode, date,
// latitude, longitude, sampling scheme and levels with a pressure. Qt::UserRole gives
// the value a column sorts by (numbers as numbers; empty cells sort first).
class CProfileChooserModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Index, Cycle, Direction, DataMode, Date, Latitude, Longitude, Scheme, Levels, ColumnCount };

    explicit CProfileChooserModel(QObject* parent = nullptr);

    void SetProfiles(std::vector<ProfileSummary> profiles);
    const std::vector<ProfileSummary>& Profiles() const { return m_profiles; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<ProfileSummary> m_profiles;
};
