#pragma once
#include <QString>

#include "display/GridTable.h"
#include "uikit/SurfaceDialog.h"

class QScrollBar;

// "Profile viewer": every variable whose last dimension is N_LEVELS as a column of a
// grid table, one row per level.
class CProfileDlg : public CSurfaceDialog {
    Q_OBJECT
public:
    enum { IDC_GRID_AREA = 1007, IDC_GRID_VSCROLL = 1005, IDC_GRID_HSCROLL = 1006 };

    explicit CProfileDlg(QWidget* parent = nullptr);

    // The file to show; set before the dialog is shown.
    void SetFilePath(const QString& path) { m_szFilePath = path; }
    CGridTable& Grid() { return m_grid; }

    // Builds the table from the file. Runs once, when the dialog is first shown.
    void OnInitDialog();

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void ForwardScroll(QScrollBar* bar, int action, bool vertical);

    CGridTable m_grid;
    QString m_szFilePath;
    bool m_initialized = false;
};

// Profile View: shows every level variable of the file at ncPath in a table.
void RunProfileView(QWidget* parent, const QString& ncPath);
