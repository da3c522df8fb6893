#include "display/ProfileDlg.h"

#include "display/reads.h"
#include "profile/reads.h"
#include "reader/reader_table.h"

#include <QFile>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QPushButton>
#include <QScrollBar>

#include "chooser/ProfileChooser.h"
#include "display/ProfileTable.h"
#include "profile/profile_levels.h"
#include "uikit/BackgroundReader.h"
#include "uikit/MessageBox.h"
#include "uikit/ScrollBarInfo.h"
#include "uikit/WaitCursor.h"
#include "uikit/WindowGeometry.h"

namespace {
constexpr QRgb kWhite = 0xFFFFFFFFu;
}

CProfileDlg::CProfileDlg(QWidget* parent)
    : CSurfaceDialog(parent, QStringLiteral("Profile viewer"), 549, 362), m_reader(&LocalReader())
{
    auto* close = Place(new QPushButton(QStringLiteral("close"), this), 2, 7, 341, 50, 14);
    close->setAutoDefault(true);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    AddFrame(IDC_GRID_AREA, 7, 7, 525, 322, false);
    auto* vbar = Place(new QScrollBar(Qt::Vertical, this), IDC_GRID_VSCROLL, 532, 7, 10, 322);
    auto* hbar = Place(new QScrollBar(Qt::Horizontal, this), IDC_GRID_HSCROLL, 7, 329, 525, 10);
    connect(vbar, &QScrollBar::actionTriggered, this, [this, vbar](int action) { ForwardScroll(vbar, action, true); });
    connect(hbar, &QScrollBar::actionTriggered, this, [this, hbar](int action) { ForwardScroll(hbar, action, false); });
    setMouseTracking(true);
}

void CProfileDlg::OnInitDialog()
{
    if (m_initialized)
        return;
    m_initialized = true;
    m_grid.Attach(this, IDC_GRID_AREA, IDC_GRID_VSCROLL, IDC_GRID_HSCROLL);

    CWaitCursor wait;
    const ProfileTable table =
        Read<ProfileTableRead>(*m_reader, {QFile::encodeName(m_szFilePath).toStdString(), m_nProfile});
    for (const auto& column : table.columns)
        m_grid.AddColumn(QString::fromUtf8(column.name), column.width);
    for (const auto& row : table.rows) {
        m_grid.AddRow(false, kWhite);
        for (const auto& cell : row)
            m_grid.AddCell(QString::fromUtf8(cell), kWhite);
        m_grid.EndRow();
    }
    if (!table.message.empty()) {
        const QString text = QString::fromUtf8(table.message);
        QMetaObject::invokeMethod(
            this, [this, text] { BwMessageBox(this, text, QStringLiteral("File reading error"), MbIcon::Exclamation); },
            Qt::QueuedConnection);
    }
}

void CProfileDlg::SetProfiles(std::vector<ProfileSummary> profiles, const ProfileExtent& shown)
{
    m_shown = shown;
    if (profiles.size() <= 1 || m_pChooser)
        return;
    // The chooser takes a panel below the dialog's own layout, which stays as it is.
    constexpr int kPanelDlu = 92;
    const int top = Units().y(362);
    ExtendHeight(kPanelDlu);
    m_pChooser = new CProfileChooser(this);
    m_pChooser->setGeometry(Units().rect(7, 362, 535, kPanelDlu - 7));
    m_pChooser->move(m_pChooser->x(), top);
    m_pChooser->SetProfiles(std::move(profiles));
    m_nProfile = m_pChooser->First();
    connect(m_pChooser, &CProfileChooser::chosenChanged, this, &CProfileDlg::OnProfileChosen);
}

void CProfileDlg::OnProfileChosen()
{
    if (!m_pChooser || m_pChooser->First() == m_nProfile)
        return;
    m_nProfile = m_pChooser->First();
    if (!m_initialized)
        return;
    const std::string path = QFile::encodeName(m_szFilePath).toStdString();
    const ProfileToolsInfo info = Read<ToolsInfoRead>(*m_reader, {path});
    if (const std::string problem = m_shown ? ShownFileProblem(path, info, *m_shown) : std::string();
        !problem.empty()) {
        BwMessageBox(this, QString::fromLocal8Bit(problem.c_str()), QStringLiteral("File reading error"), MbIcon::Stop);
        reject();
        return;
    }
    CWaitCursor wait;
    const ProfileTable table = Read<ProfileTableRead>(*m_reader, {path, m_nProfile});
    m_grid.ClearRows();
    for (const auto& row : table.rows) {
        m_grid.AddRow(false, kWhite);
        for (const auto& cell : row)
            m_grid.AddCell(QString::fromUtf8(cell), kWhite);
        m_grid.EndRow();
    }
    m_grid.RedrawAll();
}

void CProfileDlg::showEvent(QShowEvent* event)
{
    CSurfaceDialog::showEvent(event);
    if (m_initialized)
        return;
    OnInitDialog();
    m_grid.LoadCursors();
    m_grid.RedrawAll();
    m_layoutSize = size();
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        m_layout.emplace_back(w, w->geometry());
    AllowResize(size() - QSize(Units().x(300), Units().y(200)));
    if (OpenWithinScreen())
        FitToScreen();
}

void CProfileDlg::resizeEvent(QResizeEvent* event)
{
    CSurfaceDialog::resizeEvent(event);
    if (!m_layoutSize.isValid())
        return;
    const int dx = width() - m_layoutSize.width(), dy = height() - m_layoutSize.height();
    for (const auto& [w, g] : m_layout) {
        const int id = w->objectName().toInt();
        if (id == IDC_GRID_AREA)
            w->setGeometry(g.adjusted(0, 0, dx, dy));
        else if (id == IDC_GRID_VSCROLL)
            w->setGeometry(g.translated(dx, 0).adjusted(0, 0, 0, dy));
        else if (id == IDC_GRID_HSCROLL || w == m_pChooser)
            w->setGeometry(g.translated(0, dy).adjusted(0, 0, dx, 0));
        else
            w->setGeometry(g.translated(0, dy));
    }
    Surface().fill(palette().color(QPalette::Window));
    m_grid.AreaMoved();
    update();
}

void CProfileDlg::ForwardScroll(QScrollBar* bar, int action, bool vertical)
{
    const int code = ScrollCodeOfAction(action);
    if (vertical)
        m_grid.OnVScroll(code, bar->sliderPosition(), bar);
    else
        m_grid.OnHScroll(code, bar->sliderPosition(), bar);
    SyncSliderToScrollPos(bar);
}

void CProfileDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const QPoint p = event->position().toPoint();
        m_grid.OnLButtonDown(p.x(), p.y());
    }
    CSurfaceDialog::mousePressEvent(event);
}

void CProfileDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const QPoint p = event->position().toPoint();
        m_grid.OnLButtonUp(p.x(), p.y());
    }
    CSurfaceDialog::mouseReleaseEvent(event);
}

void CProfileDlg::wheelEvent(QWheelEvent* event)
{
    const QPoint p = event->position().toPoint();
    m_grid.OnMouseWheel(p.x(), p.y(), event->angleDelta().y() / 120);
    event->accept();
}

void CProfileDlg::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    m_grid.OnMouseMove(p.x(), p.y());
    CSurfaceDialog::mouseMoveEvent(event);
}

CProfileDlg* RunProfileView(QWidget* parent, FileReader& reader, const QString& ncPath, const ProfileExtent* shown)
{
    const std::string path = QFile::encodeName(ncPath).toStdString();
    auto dlg = std::make_unique<CProfileDlg>(parent);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    dlg->setModal(false);
    dlg->SetReader(reader);
    dlg->SetFilePath(ncPath);
    {
        CWaitCursor wait;
        const ProfileToolsInfo info = Read<ToolsInfoRead>(reader, {path});
        if (ReadingWasCancelled(info.reason))
            return nullptr;
        if (const std::string problem = shown ? ShownFileProblem(path, info, *shown) : std::string();
            !problem.empty()) {
            BwMessageBox(parent, QString::fromLocal8Bit(problem.c_str()), QStringLiteral("File reading error"),
                         MbIcon::Stop);
            return nullptr;
        }
        if (info.offered && info.extent.profiles > 1) {
            ProfileSummaryList list = Read<SummariesRead>(reader, {path, {}});
            if (list.ok)
                dlg->SetProfiles(std::move(list.profiles), info.extent);
        }
    }
    dlg->SetOpenWithinScreen(true);
    CProfileDlg* window = dlg.release();
    window->show();
    RememberGeometry(window, "Settings/ProfileViewGeometry");
    return window;
}
