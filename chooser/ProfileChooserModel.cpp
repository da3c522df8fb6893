#include "chooser/ProfileChooserModel.h"

#include "cdl/c_format.h"

namespace {

QString Degrees(const std::optional<double>& v)
{
    static const CFormat format = *CFormat::parse("%.4f", ValueKind::Floating);
    return v ? QString::fromStdString(format.format(*v)) : QString();
}

QString Flag(char c)
{
    return c ? QString(QLatin1Char(c)) : QString();
}

} // namespace

CProfileChooserModel::CProfileChooserModel(QObject* parent) : QAbstractTableModel(parent) {}

void CProfileChooserModel::SetProfiles(std::vector<ProfileSummary> profiles)
{
    beginResetModel();
    m_profiles = std::move(profiles);
    endResetModel();
}

int CProfileChooserModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_profiles.size());
}

int CProfileChooserModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CProfileChooserModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const ProfileSummary& p = m_profiles[static_cast<std::size_t>(index.row())];
    if (role == Qt::TextAlignmentRole)
        return index.column() == Scheme ? QVariant(Qt::AlignLeft | Qt::AlignVCenter) : QVariant(Qt::AlignCenter);
    const bool display = role == Qt::DisplayRole;
    if (!display && role != Qt::UserRole)
        return {};
    // Sort keys: empty cells before every value.
    constexpr double kEmpty = -1.0e300;
    switch (index.column()) {
    case Index: return display ? QVariant(QString::number(p.index)) : QVariant(static_cast<qulonglong>(p.index));
    case Cycle:
        if (display)
            return p.cycle ? QString::number(*p.cycle) : QString();
        return p.cycle ? static_cast<double>(*p.cycle) : kEmpty;
    case Direction: return Flag(p.direction);
    case DataMode: // per-parameter modes where the file records them
        return p.modes.empty() ? Flag(p.dataMode) : QString::fromStdString(p.modes);
    case Date:
        if (display)
            return QString::fromStdString(p.date);
        return p.juld && !p.date.empty() ? *p.juld : kEmpty;
    case Latitude: return display ? QVariant(Degrees(p.latitude)) : QVariant(p.latitude.value_or(kEmpty));
    case Longitude: return display ? QVariant(Degrees(p.longitude)) : QVariant(p.longitude.value_or(kEmpty));
    case Scheme: return QString::fromUtf8(p.scheme.data(), static_cast<qsizetype>(p.scheme.size()));
    case Levels:
        if (!p.levelsWithPressure) // not counted: the file is too large to count in full
            return display ? QVariant(QString()) : QVariant(kEmpty);
        return display ? QVariant(QString::number(*p.levelsWithPressure))
                       : QVariant(static_cast<double>(*p.levelsWithPressure));
    default: return {};
    }
}

QVariant CProfileChooserModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const kTitles[ColumnCount] = {"N_PROF",   "Cycle",     "Dir",      "Mode",  "Date (UTC)",
                                                     "Latitude", "Longitude", "Sampling", "Levels"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(kTitles[section]) : QVariant();
}
