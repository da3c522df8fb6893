#pragma once
#include <QString>

#include <cstddef>
#include <optional>
#include <vector>

#include "display/GridTable.h"
#include "profile/profile_shape.h"
#include "profile/profile_summary.h"
#include "uikit/SurfaceDialog.h"

class CProfileChooser;
class QScrollBar;

class FileReader;

// "Profile viewer": every variable whose last dimension is N_LEVELS as a column of a
// grid table, one row per level.
class CProfileDlg : public CSurfaceDialog {
    Q_OBJECT
public:
    enum { IDC_GRID_AREA = 1007, IDC_GRID_VSCROLL = 1005, IDC_GRID_HSCROLL = 1006 };

    explicit CProfileDlg(QWidget* parent = nullptr);

    // The file to show; set before the dialog is shown.
    void SetFilePath(const QString& path) { m_szFilePath = path; }
    // What reads the file (the document's reader); readers in this process when not set.
    void SetReader(FileReader& reader) { m_reader = &reader; }
    CGridTable& Grid() { return m_grid; }

    // Builds the table from the file. Runs once, when the dialog is first shown.
    void OnInitDialog();

    // A file of several profiles: the profile chooser below the table, profile 0
    // shown first. Set before the dialog is shown. `shown` is the file's extent when
    // its text was shown: a file found otherwise on a switch of profile is reported
    // as changed.
    void SetProfiles(std::vector<ProfileSummary> profiles, const ProfileExtent& shown);
    CProfileChooser* Chooser() const { return m_pChooser; }
    std::size_t Profile() const { return m_nProfile; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void ForwardScroll(QScrollBar* bar, int action, bool vertical);
    void FillTable();
    void OnProfileChosen();

    // The controls' places in the dialog's own layout: the table grows with the dialog,
    // its scroll bars and the close button follow the right and bottom edges.
    QSize m_layoutSize;
    std::vector<std::pair<QWidget*, QRect>> m_layout;

    CGridTable m_grid;
    QString m_szFilePath;
    FileReader* m_reader;
    bool m_initialized = false;
    CProfileChooser* m_pChooser = nullptr; // child; only for several profiles
    std::size_t m_nProfile = 0;
    std::optional<ProfileExtent> m_shown;
};

// Profile View: shows, read through `reader`, every level variable of the file at ncPath in a table, with
// the profile chooser when the file holds several profiles. With `shown` (the
// extent of the file when its text was shown) a file of another extent gets the
// "File reading error" box instead.
// The window is its own (deleted when closed) and is returned; null after a message.
// `reader` must outlive it.
CProfileDlg* RunProfileView(QWidget* parent, FileReader& reader, const QString& ncPath,
                            const ProfileExtent* shown = nullptr);
