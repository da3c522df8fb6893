#include "profile/CsvSaveDlg.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QUrl>

#include "chooser/ProfileChooser.h"
#include "core/JobControl.h"
#include "uikit/BackgroundReader.h"
#include "core/replace_file.h"
#include "uikit/BackgroundTask.h"
#include "uikit/DialogUnits.h"
#include "uikit/MessageBox.h"
#include "uikit/WaitCursor.h"
#include "profile/csv_variables.h"
#include "profile/reads.h"
#include "reader/reader_table.h"
#include "profile/csv_writer.h"
#include "profile/profile_levels.h"

namespace {

CCsvSaveDlg::BrowseHook& BrowseHookRef()
{
    static CCsvSaveDlg::BrowseHook hook;
    return hook;
}

CCsvSaveDlg::OpenFileHook& OpenFileHookRef()
{
    static CCsvSaveDlg::OpenFileHook hook;
    return hook;
}

std::string LocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

std::vector<int> SelectedIds(const QListWidget* list)
{
    std::vector<int> ids;
    for (int row = 0; row < list->count(); ++row) {
        const QListWidgetItem* item = list->item(row);
        if (item->isSelected())
            ids.push_back(item->data(Qt::UserRole).toInt());
    }
    return ids;
}

} // namespace

void CCsvSaveDlg::SetBrowseHook(BrowseHook hook)
{
    BrowseHookRef() = std::move(hook);
}
void CCsvSaveDlg::SetOpenFileHook(OpenFileHook hook)
{
    OpenFileHookRef() = std::move(hook);
}

CCsvSaveDlg::CCsvSaveDlg(QWidget* parent) : QDialog(parent), m_reader(&LocalReader())
{
    setWindowTitle(QStringLiteral("Csv File Save"));
    setFont(DialogFont());
    const DialogUnits du(font());
    setFixedSize(du.x(274), du.y(203));

    auto label = [&](const QString& text, int x, int y, int w, int h) {
        auto* l = new QLabel(text, this);
        l->setGeometry(du.rect(x, y, w, h));
    };
    label(QStringLiteral("File:"), 7, 9, 18, 10);
    m_pFile = new QLineEdit(this);
    m_pFile->setObjectName(QString::number(IDC_FILE));
    m_pFile->setGeometry(du.rect(26, 7, 195, 14));

    m_pBrowse = new QPushButton(QStringLiteral("Brose..."), this);
    m_pBrowse->setObjectName(QString::number(IDC_BROWSE));
    m_pBrowse->setGeometry(du.rect(229, 7, 37, 14));
    m_pBrowse->setAutoDefault(false);

    label(QStringLiteral("Item:"), 7, 26, 127, 9);
    m_pItems = new QListWidget(this);
    m_pItems->setObjectName(QString::number(IDC_ITEMS));
    m_pItems->setGeometry(du.rect(7, 36, 127, 130));
    m_pItems->setSelectionMode(QAbstractItemView::MultiSelection);

    label(QStringLiteral("N_LEVELS:"), 139, 26, 127, 9);
    m_pLevels = new QListWidget(this);
    m_pLevels->setObjectName(QString::number(IDC_LEVELS));
    m_pLevels->setGeometry(du.rect(139, 36, 127, 130));
    m_pLevels->setSelectionMode(QAbstractItemView::MultiSelection);

    m_pOpenFile = new QCheckBox(QStringLiteral("open file"), this);
    m_pOpenFile->setObjectName(QString::number(IDC_OPEN_FILE));
    m_pOpenFile->setGeometry(du.rect(7, 169, 58, 10));

    m_pBlankFill = new QCheckBox(QStringLiteral("empty cells for fill values"), this);
    m_pBlankFill->setObjectName(QStringLiteral("blankFill"));
    m_pBlankFill->setGeometry(du.rect(70, 169, 150, 10));

    m_pOk = new QPushButton(QStringLiteral("OK"), this);
    m_pOk->setObjectName(QString::number(IDOK_BUTTON));
    m_pOk->setGeometry(du.rect(7, 182, 50, 14));
    m_pOk->setDefault(true);

    m_pClose = new QPushButton(QStringLiteral("close"), this);
    m_pClose->setObjectName(QString::number(IDCANCEL_BUTTON));
    m_pClose->setGeometry(du.rect(61, 182, 50, 14));
    m_pClose->setAutoDefault(false);

    connect(m_pBrowse, &QPushButton::clicked, this, &CCsvSaveDlg::OnBrowse);
    connect(m_pOk, &QPushButton::clicked, this, &CCsvSaveDlg::accept);
    connect(m_pClose, &QPushButton::clicked, this, &CCsvSaveDlg::reject);
    // The OK rule follows the field's text (typed or chosen with "Brose...") and the
    // user's selections; it does not run when the dialog opens, so OK starts enabled.
    connect(m_pFile, &QLineEdit::textChanged, this, &CCsvSaveDlg::UpdateOkButton);
    connect(m_pItems, &QListWidget::itemSelectionChanged, this, &CCsvSaveDlg::UpdateOkButton);
    connect(m_pLevels, &QListWidget::itemSelectionChanged, this, &CCsvSaveDlg::UpdateOkButton);
}

bool CCsvSaveDlg::OnInitDialog(QString* error)
{
    m_pOpenFile->setChecked(true);
    const CsvVariableList list = Read<CsvVariablesRead>(*m_reader, {LocalPath(m_szPath)});
    if (!list.ok) {
        if (error)
            *error = QString::fromStdString(list.message);
        return false;
    }
    // Filling the lists selects nothing, so the OK rule is not triggered here.
    for (const CsvVariable& v : list.variables) {
        const QString name = QString::fromUtf8(v.name.data(), static_cast<qsizetype>(v.name.size()));
        auto* item = new QListWidgetItem(name, m_pItems);
        item->setData(Qt::UserRole, v.id);
        if (v.levelColumn) {
            auto* column = new QListWidgetItem(name, m_pLevels);
            column->setData(Qt::UserRole, v.id);
        }
    }
    return true;
}

CsvSaveSettings CCsvSaveDlg::Settings() const
{
    CsvSaveSettings s;
    s.ncPath = LocalPath(m_szPath);
    s.items = SelectedIds(m_pItems);
    s.columns = SelectedIds(m_pLevels);
    s.outputPath = LocalPath(m_pFile->text());
    s.profile = m_pChooser ? m_pChooser->First() : 0;
    s.blankFill = m_pBlankFill->isChecked();
    return s;
}

void CCsvSaveDlg::SetProfiles(std::vector<ProfileSummary> profiles, const ProfileExtent& shown)
{
    m_shown = shown;
    if (profiles.size() <= 1 || m_pChooser)
        return;
    // The profile choice takes a panel below the dialog's own layout.
    constexpr int kPanelDlu = 118;
    const DialogUnits du(font());
    const int top = height();
    setFixedSize(width(), top + du.y(kPanelDlu));
    auto* label = new QLabel(QStringLiteral("Profile:"), this);
    label->setGeometry(du.rect(7, 0, 127, 9));
    label->move(label->x(), top);
    m_pChooser = new CProfileChooser(this);
    m_pChooser->setGeometry(du.rect(7, 10, 260, kPanelDlu - 17));
    m_pChooser->move(m_pChooser->x(), top + du.y(10));
    m_pChooser->SetProfiles(std::move(profiles));
}

void CCsvSaveDlg::UpdateOkButton()
{
    const bool anySelected = !m_pItems->selectedItems().isEmpty() || !m_pLevels->selectedItems().isEmpty();
    m_pOk->setEnabled(!m_pFile->text().isEmpty() && anySelected);
}

void CCsvSaveDlg::OnBrowse()
{
    const QString savedDir = QDir::currentPath();

    QFileDialog dlg(this);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setDefaultSuffix(QStringLiteral("csv"));
    // The second entry reads "(*.*)" but matches every name, also those without a dot.
    dlg.setNameFilters({QStringLiteral("CSV File(*.csv) (*.csv)"), QStringLiteral("全てのファイル(*.*) (*)")});
    dlg.setOption(QFileDialog::HideNameFilterDetails);
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setOption(QFileDialog::DontConfirmOverwrite, false);

    QString chosen;
    if (BrowseHookRef()) {
        chosen = BrowseHookRef()(dlg);
    } else if (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty()) {
        chosen = dlg.selectedFiles().constFirst();
    }

    QDir::setCurrent(savedDir);
    if (!chosen.isEmpty())
        m_pFile->setText(chosen);
}

void CCsvSaveDlg::accept()
{
    const QString target = m_pFile->text();
    const CsvSaveSettings settings = Settings();
    CsvResult result;
    if (m_shown) {
        const ProfileToolsInfo info = Read<ToolsInfoRead>(*m_reader, {settings.ncPath});
        if (const std::string problem = ShownFileProblem(settings.ncPath, info, *m_shown); !problem.empty()) {
            BwMessageBox(this, QString::fromLocal8Bit(problem.c_str()), QStringLiteral("File reading error"),
                         MbIcon::Stop);
            return;
        }
    }
    if (const std::string clash = OutputClash(settings.outputPath, {settings.ncPath}); !clash.empty()) {
        BwMessageBox(this, QString::fromLocal8Bit(clash.c_str()), QStringLiteral("File open error"), MbIcon::Stop);
        return;
    }
    if (settings.outputPath.empty() || settings.outputPath.size() > kMaxCsvPathBytes) {
        result.status = CsvResult::Status::OutputError;
    } else {
        // Written on a worker while the window stays live; a cancel leaves the target
        // as it was and the dialog open.
        JobControl job;
        RunInBackground(
            this, QStringLiteral("Writing %1").arg(QFileInfo(target).fileName()), job,
            [&] {
                // Written by the document's reader: in the window, its helper process,
                // so that a library crash on a damaged file cannot end the window.
                result = Read<CsvWriteRead>(*m_reader, {settings.ncPath, settings}, {&job, nullptr});
            },
            QStringLiteral("rows"));
    }
    if (result.status == CsvResult::Status::Cancelled)
        return;
    if (result.status == CsvResult::Status::OutputError) {
        BwMessageBox(this, QStringLiteral("File can not open."), QStringLiteral("File open error"), MbIcon::Stop);
        return;
    }
    if (result.status == CsvResult::Status::InputError) {
        BwMessageBox(this, QString::fromStdString(result.message), QStringLiteral("File reading error"), MbIcon::Stop);
        return;
    }

    if (m_pOpenFile->isChecked()) {
        const QString absolute = QFileInfo(target).absoluteFilePath();
        if (OpenFileHookRef())
            OpenFileHookRef()(absolute);
        else
            QDesktopServices::openUrl(QUrl::fromLocalFile(absolute));
    }
    QDialog::accept();
}

void RunCsvSave(QWidget* parent, FileReader& reader, const QString& ncPath, const ProfileExtent* shown)
{
    CCsvSaveDlg dlg(parent);
    dlg.SetReader(reader);
    dlg.m_szPath = ncPath;
    QString error;
    bool loaded = false;
    {
        CWaitCursor wait;
        const std::string path = LocalPath(ncPath);
        const ProfileToolsInfo info = Read<ToolsInfoRead>(reader, {path});
        if (ReadingWasCancelled(info.reason))
            return;
        if (const std::string problem = shown ? ShownFileProblem(path, info, *shown) : std::string();
            !problem.empty()) {
            error = QString::fromLocal8Bit(problem.c_str());
        } else {
            loaded = dlg.OnInitDialog(&error);
            if (loaded && info.offered && info.extent.profiles > 1) {
                ProfileSummaryList list = Read<SummariesRead>(reader, {path, {}});
                if (list.ok)
                    dlg.SetProfiles(std::move(list.profiles), info.extent);
            }
        }
    }
    if (!loaded) {
        BwMessageBox(parent, error, QStringLiteral("File reading error"), MbIcon::Stop);
        return;
    }
    dlg.exec();
}
