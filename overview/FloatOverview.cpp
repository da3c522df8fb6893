#include "overview/FloatOverview.h"

#include "overview/reads.h"
#include "profile/reads.h"
#include "reader/reader_table.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>

#include "chooser/ProfileChooser.h"
#include "overview/OverviewPlots.h"
#include "profile/argo_time.h"
#include "overview/density_section.h"
#include "profile/figure_title.h"
#include "profile/profile_levels.h"
#include "profile/profile_summary.h"
#include "uikit/WindowGeometry.h"
#include "uikit/BackgroundReader.h"
#include "uikit/MessageBox.h"
#include "uikit/WaitCursor.h"

#include <charconv>
#include <cmath>

CFloatOverview::CFloatOverview(QWidget* parent) : QWidget(parent, Qt::Window), m_reader(&LocalReader())
{
    setObjectName(QStringLiteral("FloatOverview"));
    setWindowTitle(tr("Float Overview"));
    m_map = new CTrackMap(this);
    m_section = new CSectionPlot(this);
    m_chooser = new CProfileChooser(this);
    m_variables = new QComboBox(this);
    m_variables->setObjectName(QStringLiteral("variable"));
    m_variables->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_best = new QCheckBox(tr("Best available"), this);
    m_best->setObjectName(QStringLiteral("bestAvailable"));
    m_good = new QCheckBox(tr("Good data only"), this);
    m_good->setObjectName(QStringLiteral("goodOnly"));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_pointer = new QLabel(this);
    m_pointer->setObjectName(QStringLiteral("pointer"));
    // The colour range of the section: empty fields keep the section's own.
    for (QLineEdit*& edit : m_range) {
        edit = new QLineEdit(this);
        edit->setMaximumWidth(70);
        edit->setPlaceholderText(tr("auto"));
    }
    m_range[0]->setObjectName(QStringLiteral("rangeMin"));
    m_range[1]->setObjectName(QStringLiteral("rangeMax"));

    auto* controls = new QHBoxLayout;
    m_sectionLabel = new QLabel(tr("Section of"), this);
    controls->addWidget(m_sectionLabel);
    controls->addWidget(m_variables);
    controls->addWidget(m_best);
    controls->addWidget(m_good);
    controls->addWidget(new QLabel(tr("Colours from"), this));
    controls->addWidget(m_range[0]);
    controls->addWidget(new QLabel(tr("to"), this));
    controls->addWidget(m_range[1]);
    controls->addStretch(1);
    controls->addWidget(m_pointer);
    controls->addWidget(m_status);

    auto* plots = new QSplitter(Qt::Horizontal, this);
    plots->addWidget(m_map);
    plots->addWidget(m_section);
    plots->setStretchFactor(0, 2);
    plots->setStretchFactor(1, 3);
    auto* whole = new QSplitter(Qt::Vertical, this);
    whole->addWidget(plots);
    whole->addWidget(m_chooser);
    whole->setStretchFactor(0, 3);
    whole->setStretchFactor(1, 1);
    // The plots take most of the height; the chooser's table would take it all.
    whole->setSizes({520, 180});
    plots->setSizes({480, 720});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(whole, 1);
    resize(1200, 760);

    // The user's own changes only: a list filled by the code does not re-read.
    connect(m_variables, &QComboBox::activated, this, [this] { ReadSectionNow(); });
    connect(m_best, &QCheckBox::clicked, this, &CFloatOverview::SetBestAvailable);
    connect(m_good, &QCheckBox::clicked, this, &CFloatOverview::SetGoodOnly);
    connect(m_chooser, &CProfileChooser::chosenChanged, this, &CFloatOverview::OnChooserChanged);
    connect(m_map, &CTrackMap::profileClicked, this, &CFloatOverview::ChooseProfile);
    connect(m_section, &CSectionPlot::profileClicked, this, &CFloatOverview::ChooseProfile);
    connect(m_map, &CTrackMap::profileOpened, this, &CFloatOverview::profileOpened);
    connect(m_section, &CSectionPlot::profileOpened, this, &CFloatOverview::profileOpened);
    connect(m_map, &CTrackMap::hovered, m_pointer, &QLabel::setText);
    connect(m_section, &CSectionPlot::hovered, m_pointer, &QLabel::setText);
    for (QLineEdit* edit : m_range)
        connect(edit, &QLineEdit::editingFinished, this, &CFloatOverview::ApplyColourRange);
}

void CFloatOverview::SetColourRange(const QString& low, const QString& high)
{
    m_range[0]->setText(low);
    m_range[1]->setText(high);
    ApplyColourRange();
}

void CFloatOverview::ApplyColourRange()
{
    // Whole-field numbers, locale-free; anything else leaves the section's own range.
    auto number = [](const QString& text) -> std::optional<double> {
        const std::string t = text.trimmed().toStdString();
        double v = 0;
        const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
        if (t.empty() || ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v))
            return std::nullopt;
        return v;
    };
    const auto low = number(m_range[0]->text()), high = number(m_range[1]->text());
    m_section->SetColourRange(low && high && *low != *high ? std::optional(std::make_pair(*low, *high)) : std::nullopt);
}

namespace {

// The chooser's rows of a trajectory: one per position, with its cycle and date.
std::vector<ProfileSummary> TrajectoryRows(const FloatTrack& track)
{
    std::vector<ProfileSummary> rows;
    for (const TrackPoint& p : track.points) {
        ProfileSummary s;
        s.index = p.profile;
        s.cycle = p.cycle;
        s.juld = p.juld;
        if (p.juld)
            if (const auto seconds = JuldToSeconds(*p.juld, track.reference))
                s.date = FormatUtcMinutes(*seconds);
        s.latitude = p.latitude;
        s.longitude = UnwrapLongitude(0.0, p.longitude);
        rows.push_back(std::move(s));
    }
    return rows;
}

} // namespace

bool CFloatOverview::Load(const QString& path, const Coastline* coast, QString* why)
{
    CWaitCursor wait;
    m_path = QFile::encodeName(path).toStdString();
    m_track = Read<TrackRead>(*m_reader, {m_path});
    if (!m_track.ok) {
        if (why)
            *why = QString::fromStdString(m_track.message);
        return false;
    }
    ProfileSummaryList list = Read<SummariesRead>(*m_reader, {m_path, {}});
    m_summaries = list.ok ? list.profiles : std::vector<ProfileSummary>{};
    m_map->SetTrack(&m_track, coast);
    setWindowTitle(tr("Float Overview - %1").arg(path.section(QLatin1Char('/'), -1)));
    if (m_track.trajectory) {
        // A trajectory has positions, not profiles: the map and its cycles only.
        for (QWidget* w : std::initializer_list<QWidget*>{m_section, m_sectionLabel, m_variables, m_best, m_good})
            w->hide();
        m_chooser->SetProfiles(TrajectoryRows(m_track));
        return true;
    }
    {
        std::vector<QString> cycles, dates;
        std::vector<ProfileSummary> onMap;
        for (const ProfileSummary& p : m_summaries) {
            cycles.push_back(p.cycle ? QString::number(*p.cycle) : QString());
            dates.push_back(QString::fromStdString(p.date));
        }
        for (const TrackPoint& t : m_track.points)
            if (t.profile < m_summaries.size())
                onMap.push_back(m_summaries[t.profile]);
        m_map->SetProfileNames(std::move(cycles), std::move(dates));
        m_map->SetTitle(QString::fromStdString(FigureTitle(FloatNumberOfFileName(m_path), onMap)));
    }
    {
        const QSignalBlocker block(m_variables);
        m_variables->clear();
        for (const std::string& name : SectionChoices(Read<SectionVariablesRead>(*m_reader, {m_path})))
            m_variables->addItem(QString::fromStdString(name));
    }
    ReadSectionNow();
    if (list.ok)
        m_chooser->SetProfiles(std::move(list.profiles)); // chooses profile 0
    else
        m_status->setText(QString::fromStdString(list.message));
    return true;
}

void CFloatOverview::ReadSectionNow()
{
    if (m_variables->count() == 0) {
        SectionData none;
        none.message = "the file has no variable shaped (N_PROF, N_LEVELS)";
        m_section->SetSection(std::move(none));
        return;
    }
    CWaitCursor wait;
    SectionData section = ReadSectionOf(*m_reader, m_path, m_variables->currentText().toStdString(), m_options);
    std::vector<ProfileSummary> drawn;
    for (const SectionColumn& c : section.columns)
        if (c.profile < m_summaries.size())
            drawn.push_back(m_summaries[c.profile]);
    m_section->SetSection(std::move(section));
    m_section->SetTitle(QString::fromStdString(FigureTitle(FloatNumberOfFileName(m_path), drawn)));
    m_section->SetChosen(m_chooser->Chosen().empty() ? std::nullopt : std::optional(m_chooser->First()));
}

void CFloatOverview::ShowVariable(const QString& variable)
{
    const int i = m_variables->findText(variable);
    if (i < 0)
        return;
    m_variables->setCurrentIndex(i);
    ReadSectionNow();
}

void CFloatOverview::SetBestAvailable(bool on)
{
    m_best->setChecked(on);
    m_options.bestAvailable = on;
    ReadSectionNow();
}

void CFloatOverview::SetGoodOnly(bool on)
{
    m_good->setChecked(on);
    m_options.goodOnly = on;
    ReadSectionNow();
}

void CFloatOverview::ChooseProfile(std::size_t profile)
{
    m_chooser->Choose({profile});
}

std::size_t CFloatOverview::Chosen() const
{
    return m_chooser->First();
}

void CFloatOverview::OnChooserChanged()
{
    if (m_chooser->Chosen().empty())
        return;
    const std::size_t profile = m_chooser->First();
    m_map->SetChosen(profile);
    m_section->SetChosen(profile);
    emit profileChosen(profile);
}

CFloatOverview* RunFloatOverview(QWidget* parent, FileReader& reader, const QString& path, const ProfileExtent* shown)
{
    const std::string file = QFile::encodeName(path).toStdString();
    ProfileToolsInfo info;
    {
        CWaitCursor wait;
        info = Read<ToolsInfoRead>(reader, {file});
    }
    if (ReadingWasCancelled(info.reason))
        return nullptr;
    // A file shown without profiles (a trajectory) still has none.
    const bool stillWithout = shown && shown->profiles == 0 && !info.offered && info.extent.profiles == 0;
    if (const std::string problem = shown && !stillWithout ? ShownFileProblem(file, info, *shown) : std::string();
        !problem.empty()) {
        BwMessageBox(parent, QString::fromLocal8Bit(problem.c_str()), QStringLiteral("File reading error"),
                     MbIcon::Stop);
        return nullptr;
    }
    auto* window = new CFloatOverview(parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->SetReader(reader);
    QString why;
    const std::string exeDir = QCoreApplication::applicationDirPath().toStdString();
    if (!window->Load(path, &SharedCoastline(exeDir), &why)) {
        delete window;
        BwMessageBox(parent, QStringLiteral("No float overview for %1:\n%2").arg(path, why),
                     QStringLiteral("Float Overview"), MbIcon::Exclamation);
        return nullptr;
    }
    window->show();
    RememberGeometry(window, "Settings/FloatOverviewGeometry");
    return window;
}
