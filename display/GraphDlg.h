#pragma once
#include <QString>
#include <QTimer>

#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <span>
#include <vector>

#include "display/GraphPainter.h"
#include "display/GraphSettings.h"
#include "display/ParameterCurves.h"
#include "display/GridTable.h"
#include "profile/level_records.h"
#include "profile/chosen_values.h"
#include "profile/parameter_series.h"
#include "profile/profile_qc.h"
#include "profile/profile_shape.h"
#include "profile/profile_summary.h"
#include "uikit/SurfaceDialog.h"

class CProfileChooser;
class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QToolButton;

// "Graph viewer": plots one vertical quantity against up to three horizontal curves of
// a profile's level records, with the list of levels beside the plot and a level
// cursor that follows the mouse over the plot.
class CGraphDlg : public CSurfaceDialog {
    Q_OBJECT
public:
    enum {
        IDC_ADJUSTED = 1018,
        IDC_FIRST_RANGE = 1005, // combo boxes 1005 .. 1016
        IDC_PLOT = 1017,
        IDC_VERT_PRESSURE = 1019,
        IDC_VERT_DENSITY = 1021,
        IDC_VERT_TEMPERATURE = 1022,
        IDC_HORZ_TEMPERATURE = 1023,
        IDC_HORZ_SALINITY = 1024,
        IDC_HORZ_DENSITY = 1025,
        IDC_LIST_VSCROLL = 1026,
        IDC_LIST_AREA = 1028,
        IDC_REVIEW = 1029,
        IDC_BEST = 1030,
        IDC_GOOD_ONLY = 1031,
        IDC_TS_DIAGRAM = 1032,
        IDC_SIGMA_THETA = 1033,
        IDC_FIT = 1034,
        IDC_SAVE_IMAGE = 1035,
        IDC_PARAMETERS = 1036,
    };

    explicit CGraphDlg(QWidget* parent = nullptr);

    const CLevelArray* m_pLevels = nullptr; // set before the dialog is shown; not owned
    // The one profile of a single-profile file, and its flags, for the window to point
    // m_pLevels and m_pFlags at when it outlives the code that read them.
    CLevelArray m_ownLevels;
    std::vector<ProfileFlags> m_ownFlags;
    // More profiles drawn with m_pLevels, each curve in a lighter shade (not owned).
    std::vector<const CLevelArray*> m_overlay;
    // The quality flags and DATA_MODE of m_pLevels (not owned; none: no flags).
    const ProfileFlags* m_pFlags = nullptr;
    // Axis titles from the file's long_name and units (ReadAxisTitles); set before shown.
    GraphSettings m_titles;
    // The file the graph was read from: Save Image never writes over it.
    std::string m_inputPath;
    // For the title line and the legend: the float's number and the summaries of the
    // file's profiles by index (SetProfiles keeps those it is given).
    std::string m_floatNumber;
    std::vector<ProfileSummary> m_summaries;

    // Reads the level records of the chosen profiles (indices in the file, in order)
    // into `out`; false with the reason in `error` when the file cannot be read.
    using ProfileLoader =
        std::function<bool(std::span<const std::size_t> profiles, std::vector<CLevelArray>& out, QString* error)>;
    // A file of several profiles: the profile chooser below the dialog's own layout
    // (several profiles may be chosen; the list and the cursor follow the first
    // chosen), and profile 0 read through `loader` and shown. Before the dialog is
    // shown. False, with the reason, when profile 0 cannot be read.
    bool SetProfiles(std::vector<ProfileSummary> profiles, ProfileLoader loader, QString* error = nullptr);
    // Reads the quality flags of the chosen profiles, as ProfileLoader reads their
    // levels; set before SetProfiles.
    using FlagLoader =
        std::function<bool(std::span<const std::size_t> profiles, std::vector<ProfileFlags>& out, QString* error)>;
    void SetFlagLoader(FlagLoader loader) { m_flagLoader = std::move(loader); }
    CProfileChooser* Chooser() const { return m_pChooser; }

    // Reads named level parameters (DOXY, CHLA, ...) of the chosen profiles (indices in
    // the file); with no names and no profiles, the file's list of them.
    using ParameterLoader =
        std::function<ParameterLoad(std::span<const std::size_t> profiles, std::span<const std::string> names)>;
    // Offers the file's level parameters beside PRES, TEMP and PSAL as curves (the
    // "Parameters" menu), read through `loader`; set before shown.
    void SetParameterLoader(ParameterLoader loader);
    // The parameters offered, and those drawn (at most four, in the order chosen).
    const std::vector<std::string>& OfferedParameters() const { return m_offeredParams; }
    const std::vector<std::string>& ChosenParameters() const { return m_chosenParams; }
    // Draws `name`'s curve (on) or stops drawing it; false, with the reason, when it is
    // not offered, four are drawn already, or its values cannot be read.
    bool ChooseParameter(const std::string& name, bool on, QString* error = nullptr);
    // The curves of the chosen parameters as drawn: the first profile's values with the
    // overlaid profiles' beside them.
    std::vector<ParameterCurve> ParameterCurves() const;

    // The set-up of the first showing: list columns and rows, defaults, ADJUSTED state.
    void SetUp();
    // Reads the axis buttons and the twelve range fields, then redraws the plot.
    void OnReview();
    void OnAdjusted();
    // "Fit": every range from the data shown, rounded to readable values.
    void OnFit();
    // "Save Image...": asks for a file (.png, .svg or .pdf) and a size, then SaveImage.
    void OnSaveImage();
    // Draws the plot at `size` pixels and writes it in the format of the file name's
    // extension; false with the reason in `error` when it cannot be written.
    bool SaveImage(const QString& path, QSize size, QString* error = nullptr) const;
    // Whether ADJUSTED is offered: every shown profile has adjusted PRES, TEMP and PSAL.
    bool AdjustedOffered() const;
    // Repaints the plot area from the records and settings.
    void DrawGraph();
    // The level cursor: follows the pointer at client point (x, y).
    void OnMouseMoveAt(int x, int y);

    CGridTable& Grid() { return m_grid; }
    GraphSettings Settings() const;
    const PixelRect& AreaRect() const { return m_rcArea; }
    const PixelRect& PlotRect() const { return m_rcPlot; }
    int CursorLevel() const { return m_nCursorLevel; }
    int SavedRow() const { return m_nSavedRow; }
    QComboBox* RangeCombo(int i) const;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void FillList();
    void OnRangeSelChange();
    void OnRangeEdit();
    void OnTimer();
    void SaveCursorRow(int y);
    void RestoreCursorRow();
    bool IsAdjusted() const;
    GraphQc Qc() const;
    GraphKey Key() const;
    // The levels drawn and listed: the first profile's, without the levels flagged
    // 3, 4 or 9 under "Good data only".
    const CLevelArray& ShownLevels() const;
    // The flags of ShownLevels(): the chosen ones once shown, none without flags.
    const ProfileFlags* ShownFlags() const;
    ValueChoice Choice() const;
    void UpdateShown();
    void UpdateAdjustedState();
    bool LoadChosen(QString* error);
    // The indices in the file of the profiles shown, the first one first.
    std::vector<std::size_t> ShownProfiles() const;
    // Reads the chosen parameters of the shown profiles not read yet.
    bool LoadParameters(QString* error);
    void UpdateParameterMenu();
    // The parameters of profile `p` as read (empty when none are chosen).
    std::span<const ParameterSeries> ParametersOf(std::size_t p) const;
    void OnProfilesChosen();

    // The controls' places in the dialog's own layout, kept when it becomes resizable:
    // the plot grows with the dialog, the list grows in height, the controls right of
    // the plot move with the right edge, those below the list (and the chooser) with
    // the bottom.
    QSize m_layoutSize;
    std::vector<std::pair<QWidget*, QRect>> m_layout;
    void Relayout();

    CGridTable m_grid;
    std::array<bool, 3> m_bVertical{true, false, false}; // pressure, density, temperature
    std::array<bool, 3> m_bHorizontal{true, true, true}; // temperature, salinity, density
    std::array<double, 12> m_dRange = kDefaultGraphRanges;
    PixelRect m_rcArea;
    PixelRect m_rcPlot;
    int m_nCursorLevel = -1;
    int m_nSavedRow = -1;
    std::vector<QRgb> m_pRowPixels; // the plot row under the cursor line
    bool m_setUpDone = false;
    QTimer m_timer;

    std::array<QRadioButton*, 3> m_verticalButtons{};
    std::array<QCheckBox*, 3> m_horizontalButtons{};
    std::array<QComboBox*, 12> m_rangeCombos{};
    QCheckBox* m_adjusted = nullptr;
    QCheckBox* m_best = nullptr;
    QCheckBox* m_goodOnly = nullptr;
    QCheckBox* m_tsDiagram = nullptr;
    QCheckBox* m_sigmaTheta = nullptr;
    FlagLoader m_flagLoader;
    std::map<std::size_t, ProfileFlags> m_loadedFlags;
    std::vector<const ProfileFlags*> m_overlayFlags; // one per m_overlay entry, may be null
    ResolvedProfile m_resolved;                      // what ShownLevels() holds once m_shownReady
    bool m_shownReady = false;
    // What m_resolved was made from.
    struct ShownKey {
        const CLevelArray* levels = nullptr;
        const ProfileFlags* flags = nullptr;
        std::vector<const CLevelArray*> overlay;
        std::vector<const ProfileFlags*> overlayFlags;
        ValueChoice choice = ValueChoice::Raw;
        bool good = false;
        std::vector<std::string> params;
        bool operator==(const ShownKey&) const = default;
    };
    ShownKey m_shownKey;
    std::vector<ResolvedProfile> m_resolvedOverlay;
    std::vector<const CLevelArray*> m_shownOverlay;
    QPushButton* m_review = nullptr;
    CProfileChooser* m_pChooser = nullptr; // child; only for several profiles
    ProfileLoader m_loader;
    // Records of every profile read so far, by index in the file: a choice that grows
    // one profile at a time (a drag over the list) reads each profile once.
    std::map<std::size_t, CLevelArray> m_loadedLevels;
    ParameterLoader m_paramLoader;
    QToolButton* m_paramButton = nullptr;
    std::vector<std::string> m_offeredParams, m_chosenParams;
    std::vector<ParameterInfo> m_paramInfo; // one per m_chosenParams
    // The chosen parameters of each profile read so far, by index in the file.
    std::map<std::size_t, std::vector<ParameterSeries>> m_loadedParams;
};

class FileReader;

// The parameter loader of Graph View over the file at `path` of extent `extent`, read
// through `reader` (which must outlive it).
CGraphDlg::ParameterLoader ParameterLoaderOf(FileReader& reader, const std::string& path, const ProfileExtent& extent);

// Graph View: reads, through `reader`, the level records of the file at ncPath and opens
// the graph viewer as a window of its own (deleted when closed), which it returns; or
// shows the "File reading error" box and returns null when the file cannot be read at
// all, or, with `shown` (the extent of the file when its text was shown), when it has
// changed. `reader` must outlive the window.
CGraphDlg* RunGraphView(QWidget* parent, FileReader& reader, const QString& ncPath,
                        const ProfileExtent* shown = nullptr);
