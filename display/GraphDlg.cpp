#include "display/GraphDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFocusEvent>
#include <QInputDialog>
#include <QPainter>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>
#include <QWheelEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <algorithm>

#include "chooser/ProfileChooser.h"
#include "profile/profile_levels.h"
#include "uikit/BackgroundReader.h"
#include "uikit/MessageBox.h"
#include "uikit/WaitCursor.h"
#include "uikit/WindowGeometry.h"
#include "cdl/c_format.h"
#include "display/AxisMapping.h"
#include "display/AxisTitles.h"
#include "display/GraphPainter.h"
#include "core/replace_file.h"
#include "display/PlotImage.h"
#include "uikit/FileDialogs.h"
#include "display/NearestLevel.h"
#include "display/RangeText.h"
#include "uikit/ScrollBarInfo.h"
#include "profile/figure_title.h"
#include "profile/level_records.h"
#include "display/reads.h"
#include "profile/reads.h"

namespace {

constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kBlack = 0xFF000000u;

const CLevelArray& NoLevels()
{
    static const CLevelArray empty;
    return empty;
}

// First entry and step of each range's drop-down list (nine entries; minimum lists
// run upward from the default minimum, maximum lists downward from the default maximum).
struct RangeList {
    int first;
    int step;
};
constexpr RangeList kRangeLists[12] = {
    {0, 250}, {2000, -250}, {20, 1}, {28, -1}, {-5, 5}, {35, -5},
    {-5, 5},  {35, -5},     {30, 1}, {38, -1}, {20, 1}, {28, -1},
};

// The plot in `area`: DrawGraph's above one axis row per parameter curve, the curves
// over its plot. Returns the plot frame.
PixelRect PaintGraph(QPainter& p, const PixelRect& area, const GraphSettings& settings, const CLevelArray& levels,
                     std::span<const CLevelArray* const> overlay, const GraphQc& qc, const GraphKey& key,
                     const std::vector<ParameterCurve>& curves)
{
    p.setFont(DialogFont());
    PixelRect graph = area;
    if (!curves.empty()) {
        p.fillRect(QRect(area.left, area.top, area.Width(), area.Height()), Qt::white);
        graph.bottom -= static_cast<int>(curves.size()) * ParameterAxisHeight(p);
    }
    const PixelRect plot = DrawGraph(p, graph, settings, levels, DialogFont(), overlay, qc, key, qRgb(255, 255, 255));
    if (!curves.empty()) {
        p.setFont(DialogFont());
        DrawParameterCurves(p, area, plot, BelowCurveAxes(p, plot, settings), settings, levels, curves, overlay);
    }
    return plot;
}

QString IntegerText(int v)
{
    static const CFormat format = *CFormat::parse("%d", ValueKind::Integer);
    return QString::fromStdString(format.format(v));
}

} // namespace

CGraphDlg::CGraphDlg(QWidget* parent) : CSurfaceDialog(parent, QStringLiteral("Graph viewer"), 534, 350)
{
    CreateControls();
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CGraphDlg::OnTimer);
    setMouseTracking(true);
}

void CGraphDlg::CreateControls()
{
    AddFrame(IDC_PLOT, 7, 6, 346, 337, true);
    Place(new QLabel(QStringLiteral("Vertical axis:"), this), -1, 358, 7, 50, 8);
    const char* verticalTexts[3] = {"Pressure", "Density", "Temperature"};
    const int verticalIds[3] = {IDC_VERT_PRESSURE, IDC_VERT_DENSITY, IDC_VERT_TEMPERATURE};
    for (int k = 0; k < 3; ++k) {
        m_verticalButtons[k] = Place(new QRadioButton(QString::fromLatin1(verticalTexts[k]), this), verticalIds[k], 384,
                                     20 + 13 * k, 54, 8);
        connect(m_verticalButtons[k], &QRadioButton::clicked, this, &CGraphDlg::OnReview);
    }
    Place(new QLabel(QStringLiteral("Horizontal axis:"), this), -1, 358, 60, 51, 8);
    const char* horizontalTexts[3] = {"Temperature", "Salinity", "Density"};
    const int horizontalIds[3] = {IDC_HORZ_TEMPERATURE, IDC_HORZ_SALINITY, IDC_HORZ_DENSITY};
    for (int k = 0; k < 3; ++k) {
        m_horizontalButtons[k] = Place(new QCheckBox(QString::fromLatin1(horizontalTexts[k]), this), horizontalIds[k],
                                       383, 71 + 13 * k, 54, 8);
        connect(m_horizontalButtons[k], &QCheckBox::clicked, this, &CGraphDlg::OnReview);
    }

    const int rowY[6] = {18, 31, 44, 69, 82, 95};
    for (int i = 0; i < 12; ++i) {
        const int row = i / 2;
        const bool horizontalRow = row >= 3;
        const int x = (i % 2 == 0 ? 441 : 487) - (horizontalRow ? 1 : 0);
        auto* combo = Place(new QComboBox(this), IDC_FIRST_RANGE + i, x, rowY[row], 34, 12);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setCompleter(nullptr);
        combo->setMaxVisibleItems(9);
        for (int k = 0; k < 9; ++k)
            combo->addItem(IntegerText(kRangeLists[i].first + k * kRangeLists[i].step));
        connect(combo, &QComboBox::activated, this, &CGraphDlg::OnRangeSelChange);
        connect(combo->lineEdit(), &QLineEdit::textEdited, this, &CGraphDlg::OnRangeEdit);
        combo->installEventFilter(this);
        combo->lineEdit()->installEventFilter(this);
        m_rangeCombos[i] = combo;
        if (i % 2 == 0)
            Place(new QLabel(QStringLiteral("-"), this), -1, horizontalRow ? 477 : 478, rowY[row] + 2, 8, 8);
    }

    // The file's other level parameters (DOXY, CHLA, ...) as more curves, each with its
    // own axis below the plot; filled by SetParameterLoader.
    m_paramButton = Place(new QToolButton(this), IDC_PARAMETERS, 441, 57, 80, 11);
    m_paramButton->setText(QStringLiteral("Parameters"));
    m_paramButton->setPopupMode(QToolButton::InstantPopup);
    m_paramButton->setMenu(new QMenu(m_paramButton));
    m_paramButton->setEnabled(false);
    m_paramButton->setToolTip(QStringLiteral("No level parameters beside PRES, TEMP and PSAL"));

    m_review = Place(new QPushButton(QStringLiteral("Review"), this), IDC_REVIEW, 358, 118, 37, 14);
    m_review->setAutoDefault(false);
    connect(m_review, &QPushButton::clicked, this, &CGraphDlg::OnReview);
    m_adjusted = Place(new QCheckBox(QStringLiteral("ADJUSTED"), this), IDC_ADJUSTED, 416, 123, 64, 8);
    connect(m_adjusted, &QCheckBox::clicked, this, &CGraphDlg::OnAdjusted);
    m_best = Place(new QCheckBox(QStringLiteral("Best available"), this), IDC_BEST, 400, 110, 60, 8);
    m_best->setToolTip(QStringLiteral("Adjusted values for a profile in DATA_MODE 'A' or 'D', raw values for 'R'"));
    connect(m_best, &QCheckBox::clicked, this, &CGraphDlg::OnAdjusted);
    m_goodOnly = Place(new QCheckBox(QStringLiteral("Good data only"), this), IDC_GOOD_ONLY, 462, 110, 62, 8);
    m_goodOnly->setToolTip(QStringLiteral(
        "Leaves out levels flagged 3, 4 or 9.\nArgo QC flags: 0 no QC, 1 good, 2 probably good, 3 probably bad, "
        "4 bad, 5 changed, 8 estimated, 9 missing.\nPoints flagged 3 or 4 are marked with a magenta cross."));
    connect(m_goodOnly, &QCheckBox::clicked, this, &CGraphDlg::OnAdjusted);
    m_tsDiagram = Place(new QCheckBox(QStringLiteral("T-S"), this), IDC_TS_DIAGRAM, 358, 108, 38, 8);
    m_tsDiagram->setToolTip(QStringLiteral("T-S diagram: temperature (warm at the top) against salinity, with "
                                           "isopycnals of the chosen density"));
    connect(m_tsDiagram, &QCheckBox::clicked, this, &CGraphDlg::OnReview);
    m_sigmaTheta = Place(new QCheckBox(QString::fromUtf8("\u03C3\u03B8"), this), IDC_SIGMA_THETA, 358, 33, 24, 8);
    m_sigmaTheta->setToolTip(QStringLiteral("Density as sigma-theta (potential density, reference 0 dbar) "
                                            "instead of sigma-t"));
    connect(m_sigmaTheta, &QCheckBox::clicked, this, &CGraphDlg::OnReview);
    auto* fit = Place(new QPushButton(QStringLiteral("Fit"), this), IDC_FIT, 358, 329, 26, 14);
    fit->setAutoDefault(false);
    fit->setToolTip(QStringLiteral("Sets every range from the data shown"));
    connect(fit, &QPushButton::clicked, this, &CGraphDlg::OnFit);
    auto* save = Place(new QPushButton(QStringLiteral("Save Image..."), this), IDC_SAVE_IMAGE, 388, 329, 54, 14);
    save->setAutoDefault(false);
    connect(save, &QPushButton::clicked, this, &CGraphDlg::OnSaveImage);

    AddFrame(IDC_LIST_AREA, 358, 135, 156, 193, false);
    auto* bar = Place(new QScrollBar(Qt::Vertical, this), IDC_LIST_VSCROLL, 517, 135, 10, 193);
    connect(bar, &QScrollBar::actionTriggered, this, [this, bar](int action) {
        m_grid.OnVScroll(ScrollCodeOfAction(action), bar->sliderPosition(), bar);
        SyncSliderToScrollPos(bar);
    });

    auto* close = Place(new QPushButton(QStringLiteral("close"), this), 2, 477, 329, 50, 14);
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

QComboBox* CGraphDlg::RangeCombo(int i) const
{
    return i >= 0 && i < 12 ? m_rangeCombos[static_cast<std::size_t>(i)] : nullptr;
}

bool CGraphDlg::IsAdjusted() const
{
    if (m_best->isChecked())
        return UsesAdjusted(ValueChoice::Best, m_pFlags ? m_pFlags->ModeOf("PRES") : kNoFlag);
    return m_adjusted->isChecked();
}

ValueChoice CGraphDlg::Choice() const
{
    if (m_best->isChecked())
        return ValueChoice::Best;
    return m_adjusted->isChecked() ? ValueChoice::Adjusted : ValueChoice::Raw;
}

const CLevelArray& CGraphDlg::ShownLevels() const
{
    if (m_shownReady)
        return m_resolved.levels;
    return m_pLevels ? *m_pLevels : NoLevels();
}

const ProfileFlags* CGraphDlg::ShownFlags() const
{
    return m_shownReady && m_pFlags ? &m_resolved.flags : m_pFlags;
}

void CGraphDlg::UpdateShown()
{
    // Every profile's values as chosen per parameter, blanked where flagged 3, 4 or 9
    // under "Good data only"; both value fields of a record then hold the chosen one.
    const bool good = m_goodOnly->isChecked();
    // Resolving every level of hundreds of profiles is kept for the redraws that follow.
    const ShownKey key{m_pLevels, m_pFlags, m_overlay, m_overlayFlags, Choice(), good, m_chosenParams};
    if (m_shownReady && key == m_shownKey)
        return;
    m_shownKey = key;
    const ProfileFlags none;
    const std::vector<std::size_t> shown = ShownProfiles();
    m_resolved = m_pLevels ? ResolveProfile(*m_pLevels, m_pFlags ? *m_pFlags : none, Choice(), good && m_pFlags,
                                            ParametersOf(shown.front()))
                           : ResolvedProfile{};
    m_shownReady = m_pLevels != nullptr;
    m_resolvedOverlay.clear();
    m_resolvedOverlay.reserve(m_overlay.size());
    m_shownOverlay = m_overlay;
    for (std::size_t k = 0; k < m_overlay.size(); ++k) {
        const ProfileFlags* flags = k < m_overlayFlags.size() ? m_overlayFlags[k] : nullptr;
        if (!m_overlay[k])
            continue;
        m_resolvedOverlay.push_back(
            ResolveProfile(*m_overlay[k], flags ? *flags : none, Choice(), good && flags != nullptr,
                           k + 1 < shown.size() ? ParametersOf(shown[k + 1]) : std::span<const ParameterSeries>{}));
        m_shownOverlay[k] = &m_resolvedOverlay.back().levels;
    }
}

bool CGraphDlg::AdjustedOffered() const
{
    // Offered when every profile shown has an adjusted curve to draw.
    if (!m_pLevels || !AdjustedPlottable(*m_pLevels))
        return false;
    return std::all_of(m_overlay.begin(), m_overlay.end(),
                       [](const CLevelArray* levels) { return levels && AdjustedPlottable(*levels); });
}

void CGraphDlg::UpdateAdjustedState()
{
    const bool offered = AdjustedOffered();
    if (!offered && m_adjusted->isChecked())
        m_adjusted->setChecked(false);
    m_adjusted->setEnabled(offered && !m_best->isChecked());
    m_adjusted->setToolTip(offered ? QString()
                                   : QStringLiteral("No ADJUSTED curve: no level of the shown profiles has "
                                                    "PRES_ADJUSTED beside TEMP_ADJUSTED or PSAL_ADJUSTED."));
}

GraphSettings CGraphDlg::Settings() const
{
    GraphSettings s = m_titles;
    s.vertical = m_bVertical;
    s.horizontal = m_bHorizontal;
    s.range = m_dRange;
    s.adjusted = IsAdjusted();
    s.best = m_best->isChecked();
    s.goodOnly = m_goodOnly->isChecked();
    s.tsDiagram = m_tsDiagram->isChecked();
    s.sigmaTheta = m_sigmaTheta->isChecked();
    return s;
}

void CGraphDlg::showEvent(QShowEvent* event)
{
    CSurfaceDialog::showEvent(event);
    // Set up once: a later showing (after the owner was minimised) must not add the
    // columns and rows again or reset the user's settings.
    if (m_setUpDone)
        return;
    SetUp();
    m_grid.RedrawAll();
    DrawGraph();
    m_layoutSize = size();
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        m_layout.emplace_back(w, w->geometry());
    const PixelRect plot = ControlRect(IDC_PLOT);
    AllowResize(size() - QSize(std::max(plot.Width() - 300, 0), std::max(plot.Height() - 300, 0)));
    if (OpenWithinScreen())
        FitToScreen();
}

void CGraphDlg::resizeEvent(QResizeEvent* event)
{
    CSurfaceDialog::resizeEvent(event);
    if (m_layoutSize.isValid())
        Relayout();
}

void CGraphDlg::Relayout()
{
    const int dx = width() - m_layoutSize.width(), dy = height() - m_layoutSize.height();
    QWidget* plot = Control(IDC_PLOT);
    QWidget* list = Control(IDC_LIST_AREA);
    QWidget* bar = Control(IDC_LIST_VSCROLL);
    QRect plotRect, listRect;
    for (const auto& [w, g] : m_layout) {
        if (w == plot)
            plotRect = g;
        if (w == list)
            listRect = g;
    }
    for (const auto& [w, g] : m_layout) {
        if (w == plot)
            w->setGeometry(g.adjusted(0, 0, dx, dy));
        else if (w == list || w == bar)
            w->setGeometry(g.translated(dx, 0).adjusted(0, 0, 0, dy));
        else if (w == m_pChooser)
            w->setGeometry(g.translated(0, dy).adjusted(0, 0, dx, 0));
        else if (g.left() > plotRect.right() && g.top() > listRect.bottom())
            w->setGeometry(g.translated(dx, dy));
        else if (g.left() > plotRect.right())
            w->setGeometry(g.translated(dx, 0));
    }
    Surface().fill(palette().color(QPalette::Window));
    m_nSavedRow = -1; // the saved cursor row went with the old drawing
    m_nCursorLevel = -1;
    m_grid.AreaMoved();
    DrawGraph();
    update();
}

void CGraphDlg::SetUp()
{
    if (m_setUpDone)
        return;
    m_setUpDone = true;
    m_grid.Attach(this, IDC_LIST_AREA, IDC_LIST_VSCROLL, -1);
    m_grid.AddColumn(QStringLiteral("No."), 30);
    // Narrow enough that sigma-theta and the flags (PRES, TEMP, PSAL) fit in the list.
    m_grid.AddColumn(QStringLiteral("Prs"), 46);
    m_grid.AddColumn(QStringLiteral("Tmp"), 44);
    m_grid.AddColumn(QStringLiteral("Sal"), 48);
    m_grid.AddColumn(QStringLiteral("Sig"), 60);
    m_grid.AddColumn(QString::fromUtf8("\u03C3\u03B8"), 50);
    m_grid.AddColumn(QStringLiteral("QC"), 30);
    FillList();
    m_grid.LoadCursors();

    m_bVertical = {true, false, false};
    m_bHorizontal = {true, true, true};
    for (int k = 0; k < 3; ++k) {
        m_verticalButtons[k]->setChecked(m_bVertical[k]);
        m_horizontalButtons[k]->setChecked(m_bHorizontal[k]);
    }
    m_dRange = kDefaultGraphRanges;
    for (int i = 0; i < 12; ++i)
        m_rangeCombos[i]->setEditText(QString::fromStdString(FormatRangeValue(m_dRange[i])));
    UpdateAdjustedState();
}

bool CGraphDlg::SetProfiles(std::vector<ProfileSummary> profiles, ProfileLoader loader, QString* error)
{
    if (m_pChooser || profiles.empty())
        return false;
    m_loader = std::move(loader);
    constexpr int kPanelDlu = 92;
    const int top = height();
    ExtendHeight(kPanelDlu);
    m_pChooser = new CProfileChooser(this);
    m_pChooser->setGeometry(Units().rect(7, 0, 520, kPanelDlu - 7));
    m_pChooser->move(m_pChooser->x(), top);
    m_pChooser->SetMultipleChoice(true);
    m_summaries = profiles;
    m_pChooser->SetProfiles(std::move(profiles));
    if (!LoadChosen(error))
        return false;
    connect(m_pChooser, &CProfileChooser::chosenChanged, this, &CGraphDlg::OnProfilesChosen);
    return true;
}

bool CGraphDlg::LoadChosen(QString* error)
{
    const std::vector<std::size_t>& chosen = m_pChooser->Chosen();
    std::vector<std::size_t> missing;
    for (std::size_t p : chosen)
        if (!m_loadedLevels.count(p))
            missing.push_back(p);
    if (!missing.empty()) {
        std::vector<CLevelArray> levels;
        CWaitCursor wait;
        if (!m_loader || !m_loader(missing, levels, error) || levels.size() != missing.size())
            return false;
        for (std::size_t k = 0; k < missing.size(); ++k)
            m_loadedLevels[missing[k]] = std::move(levels[k]);
    }
    if (m_flagLoader) {
        std::vector<std::size_t> noFlags;
        for (std::size_t p : chosen)
            if (!m_loadedFlags.count(p))
                noFlags.push_back(p);
        std::vector<ProfileFlags> flags;
        if (!noFlags.empty()) {
            CWaitCursor wait;
            if (!m_flagLoader(noFlags, flags, error) || flags.size() != noFlags.size())
                return false;
            for (std::size_t k = 0; k < noFlags.size(); ++k)
                m_loadedFlags[noFlags[k]] = std::move(flags[k]);
        }
    }
    if (chosen.empty())
        return false;
    auto flagsOf = [this](std::size_t p) -> const ProfileFlags* {
        const auto it = m_loadedFlags.find(p);
        return it == m_loadedFlags.end() ? nullptr : &it->second;
    };
    m_pFlags = flagsOf(chosen.front());
    m_overlayFlags.clear();
    for (std::size_t k = 1; k < chosen.size(); ++k)
        m_overlayFlags.push_back(flagsOf(chosen[k]));
    m_pLevels = &m_loadedLevels.at(chosen.front());
    m_overlay.clear();
    for (std::size_t k = 1; k < chosen.size(); ++k)
        m_overlay.push_back(&m_loadedLevels.at(chosen[k]));
    return true;
}

void CGraphDlg::OnProfilesChosen()
{
    QString error;
    if (!LoadChosen(&error) || !LoadParameters(&error)) {
        BwMessageBox(this, error, QStringLiteral("File reading error"), MbIcon::Stop);
        reject();
        return;
    }
    if (!m_setUpDone)
        return;
    // The list and the cursor follow the first chosen profile; ADJUSTED is offered
    // when every chosen profile has adjusted values.
    UpdateAdjustedState();
    m_grid.ClearRows();
    FillList();
    m_grid.RedrawAll();
    RestoreCursorRow();
    m_nCursorLevel = -1;
    DrawGraph();
}

void CGraphDlg::FillList()
{
    UpdateShown();
    const CLevelArray& levels = ShownLevels();
    const bool adjusted = IsAdjusted();
    const LevelColumn columns[5] = {LevelColumn::No, LevelColumn::Prs, LevelColumn::Tmp, LevelColumn::Sal,
                                    LevelColumn::Sig};
    char buf[64];
    for (int i = levels.GetSize() - 1; i >= 0; --i) {
        m_grid.AddRow(false, kWhite);
        for (LevelColumn c : columns)
            m_grid.AddCell(QString::fromUtf8(FormatLevelCell(c, levels[i], adjusted, buf, sizeof buf)), kWhite);
        m_grid.AddCell(QString::fromUtf8(FormatSigmaThetaCell(levels[i], adjusted, buf, sizeof buf)), kWhite);
        const LevelFlags f = ShownFlags() ? FlagsOfLevel(*ShownFlags(), levels[i].no, adjusted) : LevelFlags{};
        auto flagText = [](char c) { return c == kNoFlag ? '-' : c; };
        const char text[4] = {flagText(f.pres), flagText(f.temp), flagText(f.psal), '\0'};
        const bool bad = IsBadFlag(f.pres) || IsBadFlag(f.temp) || IsBadFlag(f.psal);
        m_grid.AddCell(QString::fromLatin1(text), bad ? qRgb(255, 200, 255) : kWhite);
        m_grid.EndRow();
    }
}

std::vector<std::size_t> CGraphDlg::ShownProfiles() const
{
    return m_pChooser && !m_pChooser->Chosen().empty() ? m_pChooser->Chosen() : std::vector<std::size_t>{0};
}

std::span<const ParameterSeries> CGraphDlg::ParametersOf(std::size_t p) const
{
    const auto it = m_loadedParams.find(p);
    if (m_chosenParams.empty() || it == m_loadedParams.end())
        return {};
    return it->second;
}

void CGraphDlg::SetParameterLoader(ParameterLoader loader)
{
    m_paramLoader = std::move(loader);
    m_offeredParams.clear();
    if (m_paramLoader) {
        const ParameterLoad list = m_paramLoader({}, {});
        for (const std::string& name : list.available)
            if (name != "PRES" && name != "TEMP" && name != "PSAL")
                m_offeredParams.push_back(name);
    }
    UpdateParameterMenu();
}

void CGraphDlg::UpdateParameterMenu()
{
    QMenu* menu = m_paramButton->menu();
    menu->clear();
    for (const std::string& name : m_offeredParams) {
        QAction* action = menu->addAction(QString::fromStdString(name));
        action->setCheckable(true);
        const bool chosen = std::find(m_chosenParams.begin(), m_chosenParams.end(), name) != m_chosenParams.end();
        action->setChecked(chosen);
        action->setEnabled(chosen || m_chosenParams.size() < 4);
        connect(action, &QAction::toggled, this, [this, name](bool on) {
            QString error;
            if (!ChooseParameter(name, on, &error) && !error.isEmpty())
                BwMessageBox(this, error, QStringLiteral("File reading error"), MbIcon::Stop);
        });
    }
    m_paramButton->setEnabled(!m_offeredParams.empty());
    m_paramButton->setToolTip(m_offeredParams.empty()
                                  ? QStringLiteral("No level parameters beside PRES, TEMP and PSAL")
                                  : QStringLiteral("Level parameters drawn beside the curves, each with its own "
                                                   "axis below the plot (at most four)"));
    QString text = QStringLiteral("Parameters");
    if (!m_chosenParams.empty())
        text += QStringLiteral(" (%1)").arg(m_chosenParams.size());
    m_paramButton->setText(text);
}

bool CGraphDlg::ChooseParameter(const std::string& name, bool on, QString* error)
{
    const auto at = std::find(m_chosenParams.begin(), m_chosenParams.end(), name);
    if (on == (at != m_chosenParams.end()))
        return true;
    if (on && (std::find(m_offeredParams.begin(), m_offeredParams.end(), name) == m_offeredParams.end() ||
               m_chosenParams.size() >= 4))
        return false;
    const std::vector<std::string> before = m_chosenParams;
    if (on)
        m_chosenParams.push_back(name);
    else
        m_chosenParams.erase(at);
    // The names read are those chosen: read them again for every profile shown.
    m_loadedParams.clear();
    m_paramInfo.clear();
    if (!LoadParameters(error)) {
        m_chosenParams = before;
        m_loadedParams.clear();
        m_paramInfo.clear();
        LoadParameters(nullptr);
        UpdateParameterMenu();
        return false;
    }
    UpdateParameterMenu();
    if (m_setUpDone) {
        m_grid.ClearRows();
        FillList();
        m_grid.RedrawAll();
        m_nCursorLevel = -1;
        DrawGraph();
    }
    return true;
}

bool CGraphDlg::LoadParameters(QString* error)
{
    if (m_chosenParams.empty() || !m_paramLoader)
        return true;
    std::vector<std::size_t> missing;
    for (std::size_t p : ShownProfiles())
        if (!m_loadedParams.count(p))
            missing.push_back(p);
    if (missing.empty())
        return true;
    CWaitCursor wait;
    ParameterLoad load = m_paramLoader(missing, m_chosenParams);
    if (!load.ok || load.series.size() != missing.size() || load.info.size() != m_chosenParams.size()) {
        if (error)
            *error = QString::fromLocal8Bit(load.message.c_str());
        return false;
    }
    m_paramInfo = std::move(load.info);
    for (std::size_t k = 0; k < missing.size(); ++k)
        m_loadedParams[missing[k]] = std::move(load.series[k]);
    return true;
}

std::vector<ParameterCurve> CGraphDlg::ParameterCurves() const
{
    std::vector<ParameterCurve> curves;
    if (!m_shownReady)
        return curves;
    for (std::size_t k = 0; k < m_chosenParams.size() && k < m_resolved.params.size(); ++k) {
        ParameterCurve curve{
            m_resolved.params[k], k < m_paramInfo.size() ? ParameterTitle(m_paramInfo[k]) : m_chosenParams[k], {}};
        for (const ResolvedProfile& o : m_resolvedOverlay)
            if (k < o.params.size())
                curve.overlay.push_back(o.params[k]);
        curves.push_back(std::move(curve));
    }
    return curves;
}

void CGraphDlg::OnReview()
{
    for (int k = 0; k < 3; ++k) {
        m_bVertical[k] = m_verticalButtons[k]->isChecked();
        m_bHorizontal[k] = m_horizontalButtons[k]->isChecked();
    }
    for (int i = 0; i < 12; ++i) {
        const QByteArray text = m_rangeCombos[i]->currentText().toUtf8().left(63);
        if (const auto value = ScanRangeValue(std::string_view(text.constData(), text.size())))
            m_dRange[i] = *value;
    }
    DrawGraph();
}

void CGraphDlg::OnFit()
{
    UpdateShown();
    std::vector<const CLevelArray*> shown{&ShownLevels()};
    shown.insert(shown.end(), m_shownOverlay.begin(), m_shownOverlay.end());
    m_dRange = FitRanges(Settings(), shown);
    for (int i = 0; i < 12; ++i)
        m_rangeCombos[i]->setEditText(QString::fromStdString(FormatRangeValue(m_dRange[i])));
    OnReview();
}

GraphQc CGraphDlg::Qc() const
{
    GraphQc qc;
    // The shown levels hold the chosen values in both their fields, as do the overlay's.
    qc.flags = ShownFlags();
    return qc;
}

GraphKey CGraphDlg::Key() const
{
    const std::vector<std::size_t> shown = m_pChooser ? m_pChooser->Chosen() : std::vector<std::size_t>{0};
    std::vector<ProfileSummary> summaries;
    for (std::size_t p : shown)
        if (p < m_summaries.size())
            summaries.push_back(m_summaries[p]);
    return GraphKeyOf(m_floatNumber, summaries);
}

bool CGraphDlg::SaveImage(const QString& path, QSize size, QString* error) const
{
    const QSize bounded = size.boundedTo(QSize(10000, 10000)).expandedTo(QSize(200, 200));
    const GraphSettings settings = Settings();
    const GraphQc qc = Qc();
    const GraphKey key = Key();
    const CLevelArray& levels = ShownLevels();
    const std::vector<ParameterCurve> curves = ParameterCurves();
    auto paint = [&](QPainter& p, const QRect& page) {
        PaintGraph(p, PixelRect{page.left(), page.top(), page.right() + 1, page.bottom() + 1}, settings, levels,
                   m_shownOverlay, qc, key, curves);
    };
    const std::string target = QFile::encodeName(path).toStdString();
    std::string problem = OutputClash(target, {m_inputPath});
    if (problem.empty() && SavePlot(paint, bounded, ImageFormatOf(path), target, &problem))
        return true;
    if (error)
        *error = QString::fromLocal8Bit(problem.c_str());
    return false;
}

void CGraphDlg::OnSaveImage()
{
    const QString path = AskSavePath(this, QStringLiteral("graph.png"));
    if (path.isEmpty())
        return;
    QSize size(m_rcArea.Width(), m_rcArea.Height());
    // SVG and PDF are drawn as lines and text at the window's size; only an image
    // has a size in pixels to choose.
    if (ImageFormatOf(path) == PlotImageFormat::Png) {
        bool ok = false;
        const QString text = QInputDialog::getText(
            this, QStringLiteral("Save Image"), QStringLiteral("Size in pixels (width x height):"), QLineEdit::Normal,
            QStringLiteral("%1x%2").arg(size.width()).arg(size.height()), &ok);
        if (!ok)
            return;
        const QStringList parts = text.split(QLatin1Char('x'), Qt::SkipEmptyParts);
        if (parts.size() == 2) {
            bool okW = false, okH = false;
            const int w = parts[0].trimmed().toInt(&okW), h = parts[1].trimmed().toInt(&okH);
            if (okW && okH)
                size = QSize(w, h);
        }
    }
    QString error;
    if (!SaveImage(path, size, &error))
        BwMessageBox(this, error, QStringLiteral("File writing error"), MbIcon::Stop);
}

void CGraphDlg::OnRangeSelChange()
{
    // The new text is read when the timer fires, after the selection has settled.
    m_timer.start(1);
}

void CGraphDlg::OnTimer()
{
    m_timer.stop();
    OnReview();
}

void CGraphDlg::OnRangeEdit()
{
    // From now on Enter presses "Review".
    m_review->setDefault(true);
}

void CGraphDlg::OnAdjusted()
{
    UpdateAdjustedState();
    m_grid.ClearRows();
    FillList();
    m_grid.RedrawAll();
    DrawGraph();
    m_nCursorLevel = -1;
}

void CGraphDlg::DrawGraph()
{
    UpdateShown();
    const CLevelArray& levels = ShownLevels();
    m_rcArea = ControlRect(IDC_PLOT);
    {
        QPainter painter(&Surface());
        m_rcPlot = PaintGraph(painter, m_rcArea, Settings(), levels, m_shownOverlay, Qc(), Key(), ParameterCurves());
    }
    update(m_rcArea.left, m_rcArea.top, m_rcArea.Width(), m_rcArea.Height());
    // The repaint has wiped out the cursor line: its saved pixels no longer apply.
    m_nSavedRow = -1;
}

void CGraphDlg::OnMouseMoveAt(int x, int y)
{
    const bool adjusted = IsAdjusted();
    m_grid.OnMouseMove(x, y);
    if (!m_setUpDone || m_rcPlot.IsEmpty())
        return;
    if (!m_rcPlot.ContainsInclusive(x, y)) {
        m_nCursorLevel = -1;
        return;
    }
    const CLevelArray& levels = ShownLevels();
    const GraphSettings s = PlottedSettings(Settings());
    const double min = s.VerticalMin();
    const double max = s.VerticalMax();
    const double u = min + (max - min) / (m_rcPlot.bottom - m_rcPlot.top) * (y - m_rcPlot.top);
    const int i = FindNearestLevel(levels, s.Vertical(), adjusted, min, max, u, s.sigmaTheta);
    if (i < 0 || levels[i].no == m_nCursorLevel)
        return;

    const int r = levels.GetSize() - 1 - i;
    m_grid.ScrollToRow(std::max(r - 5, 0));
    m_grid.ClearSelection();
    m_grid.SelectRow(r);
    m_grid.SetFocusRow(r);
    m_nCursorLevel = levels[i].no;

    const double v = VerticalValue(levels[i], s.Vertical(), adjusted, s.sigmaTheta);
    const double sv = (m_rcPlot.bottom - m_rcPlot.top) / (max - min);
    const auto lineY = ToPixel(m_rcPlot.top + sv * v - sv * min);
    RestoreCursorRow();
    if (!lineY) // a range with equal ends has no place for the line
        return;
    SaveCursorRow(*lineY);
    // The line from the frame's left edge up to (not into) its right edge.
    QImage& surface = Surface();
    if (*lineY < 0 || *lineY >= surface.height())
        return;
    auto* row = reinterpret_cast<QRgb*>(surface.scanLine(*lineY));
    for (int px = std::max(m_rcPlot.left, 0); px < std::min(m_rcPlot.right, surface.width()); ++px)
        row[px] = kBlack;
    update(m_rcPlot.left, *lineY, m_rcPlot.Width(), 1);
}

void CGraphDlg::SaveCursorRow(int y)
{
    const std::size_t width = static_cast<std::size_t>(std::max(m_rcArea.Width(), m_rcPlot.Width() + 1));
    if (m_pRowPixels.size() < width)
        m_pRowPixels.resize(width);
    const QImage& surface = Surface();
    for (int x = m_rcPlot.left; x <= m_rcPlot.right; ++x)
        m_pRowPixels[static_cast<std::size_t>(x - m_rcPlot.left)] =
            surface.valid(x, y) ? surface.pixel(x, y) : 0xFFFFFFFFu;
    m_nSavedRow = y;
}

void CGraphDlg::RestoreCursorRow()
{
    if (m_nSavedRow < 0)
        return;
    QImage& surface = Surface();
    for (int x = m_rcPlot.left; x <= m_rcPlot.right; ++x)
        if (surface.valid(x, m_nSavedRow))
            surface.setPixel(x, m_nSavedRow, m_pRowPixels[static_cast<std::size_t>(x - m_rcPlot.left)]);
    update(m_rcPlot.left, m_nSavedRow, m_rcPlot.Width() + 1, 1);
    m_nSavedRow = -1;
}

void CGraphDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const QPoint p = event->position().toPoint();
        m_grid.OnLButtonDown(p.x(), p.y());
    }
    CSurfaceDialog::mousePressEvent(event);
}

void CGraphDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const QPoint p = event->position().toPoint();
        m_grid.OnLButtonUp(p.x(), p.y());
    }
    CSurfaceDialog::mouseReleaseEvent(event);
}

void CGraphDlg::wheelEvent(QWheelEvent* event)
{
    const QPoint p = event->position().toPoint();
    m_grid.OnMouseWheel(p.x(), p.y(), event->angleDelta().y() / 120);
    event->accept();
}

void CGraphDlg::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    OnMouseMoveAt(p.x(), p.y());
    CSurfaceDialog::mouseMoveEvent(event);
}

bool CGraphDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn &&
        std::any_of(m_rangeCombos.begin(), m_rangeCombos.end(),
                    [watched](QComboBox* c) { return c == watched || c->lineEdit() == watched; }))
        OnRangeEdit();
    return CSurfaceDialog::eventFilter(watched, event);
}

CGraphDlg::ParameterLoader ParameterLoaderOf(FileReader& reader, const std::string& path, const ProfileExtent& extent)
{
    return [&reader, path, extent](std::span<const std::size_t> profiles, std::span<const std::string> names) {
        return LoadParameterSeries(reader, path, extent, profiles, names);
    };
}

CGraphDlg* RunGraphView(QWidget* parent, FileReader& reader, const QString& ncPath, const ProfileExtent* shown)
{
    const std::string path = QFile::encodeName(ncPath).toStdString();
    ProfileToolsInfo info;
    {
        CWaitCursor wait;
        info = Read<ToolsInfoRead>(reader, {path});
    }
    if (ReadingWasCancelled(info.reason))
        return nullptr;
    if (const std::string problem = shown ? ShownFileProblem(path, info, *shown) : std::string(); !problem.empty()) {
        BwMessageBox(parent, QString::fromLocal8Bit(problem.c_str()), QStringLiteral("File reading error"),
                     MbIcon::Stop);
        return nullptr;
    }
    // A window of its own, beside the main one, deleted when closed.
    auto dlg = std::make_unique<CGraphDlg>(parent);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    dlg->setModal(false);
    dlg->m_inputPath = path;
    // The cycle and date of the title line; a file without them has a shorter title.
    dlg->m_floatNumber = FloatNumberOfFileName(path);
    ReadAxisTitles(reader, path, dlg->m_titles);
    if (info.offered && info.extent.profiles > 1) {
        ProfileSummaryList list;
        {
            CWaitCursor wait;
            list = Read<SummariesRead>(reader, {path, {}});
        }
        QString error = QString::fromLocal8Bit(list.message.c_str());
        const ProfileExtent extent = info.extent;
        dlg->SetParameterLoader(ParameterLoaderOf(reader, path, extent));
        dlg->SetFlagLoader([&reader, path, extent](std::span<const std::size_t> profiles,
                                                   std::vector<ProfileFlags>& out, QString* why) {
            const FlagLoadResult r = LoadProfileFlags(reader, path, extent, profiles, out);
            if (!r.ok && why)
                *why = QString::fromLocal8Bit(r.message.c_str());
            return r.ok;
        });
        auto loader = [&reader, path, extent](std::span<const std::size_t> profiles, std::vector<CLevelArray>& out,
                                              QString* why) {
            const LevelLoadResult r = LoadProfileLevels(reader, path, extent, profiles, out);
            if (!r.ok && why)
                *why = QString::fromLocal8Bit(r.message.c_str());
            return r.ok;
        };
        if (!list.ok || !dlg->SetProfiles(std::move(list.profiles), loader, &error)) {
            BwMessageBox(parent, error, QStringLiteral("File reading error"), MbIcon::Stop);
            return nullptr;
        }
    } else {
        LevelLoadResult result;
        {
            CWaitCursor wait;
            result = LoadLevelArray(reader, path, dlg->m_ownLevels);
        }
        if (!result.ok) {
            QString message = QString::fromLocal8Bit(result.message.c_str());
            if (!message.startsWith(ncPath))
                message = ncPath + QStringLiteral("\n") + message;
            BwMessageBox(parent, message, QStringLiteral("File reading error"), MbIcon::Stop);
            return nullptr;
        }
        dlg->m_pLevels = &dlg->m_ownLevels;
        // Without readable flags the levels are still shown, unmarked.
        const std::size_t first[] = {0};
        if (info.offered && !LoadProfileFlags(reader, path, info.extent, first, dlg->m_ownFlags).ok)
            dlg->m_ownFlags.clear();
        dlg->m_pFlags = dlg->m_ownFlags.empty() ? nullptr : &dlg->m_ownFlags.front();
        if (info.offered) {
            CWaitCursor wait;
            if (ProfileSummaryList list = ReadProfileSummaries(reader, path); list.ok)
                dlg->m_summaries = std::move(list.profiles);
            dlg->SetParameterLoader(ParameterLoaderOf(reader, path, info.extent));
        }
    }
    dlg->SetOpenWithinScreen(true);
    CGraphDlg* window = dlg.release();
    window->show();
    RememberGeometry(window, "Settings/GraphViewGeometry");
    return window;
}
