#include "gdac/GdacDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

#include "core/JobControl.h"
#include "ftp/FtpListing.h"
#include "gdac/GdacResultModel.h"
#include "uikit/AppSettings.h"
#include "uikit/BackgroundTask.h"
#include "uikit/MessageBox.h"
#include "uikit/NumberText.h"

namespace {

constexpr int kMaxLocalPathBytes = 1023; // the document keeps paths of at most 1023 bytes
constexpr int kMaxReasonsShown = 10;

QString ReadSetting(const char* name, const QString& fallback = {})
{
    auto settings = OpenAppSettings();
    settings->beginGroup(QStringLiteral("Brinewick"));
    return settings->value(QLatin1String(name), fallback).toString();
}

void WriteSetting(const char* name, const QString& value)
{
    auto settings = OpenAppSettings();
    settings->beginGroup(QStringLiteral("Brinewick"));
    settings->setValue(QLatin1String(name), value);
}

QString Q(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

void InputError(QWidget* parent, const QString& text)
{
    BwMessageBox(parent, text, QStringLiteral("Input error."), MbIcon::Stop);
}

QString SizeText(std::uint64_t bytes)
{
    return QString::number(static_cast<double>(bytes) / 1e3, 'f', 1) + QStringLiteral(" KB");
}

// The text of one row of the transfer list.
QString TransferText(const QString& name, const GdacFileProgress& p, const GdacStatus* status = nullptr)
{
    switch (p.state.load()) {
    case GdacFileProgress::Waiting: return name + QStringLiteral(": waiting");
    case GdacFileProgress::Running: {
        const auto got = p.received.load(), total = p.total.load();
        return name + QStringLiteral(": ") +
               (total ? SizeText(got) + QStringLiteral(" of ") + SizeText(total) : SizeText(got));
    }
    case GdacFileProgress::Done: return name + QStringLiteral(": done");
    default:
        return name + QStringLiteral(": failed") +
               (status ? QStringLiteral(" (") + Q(status->message) + ')' : QString());
    }
}

} // namespace

CGdacDlg::CGdacDlg(QWidget* parent, GdacOptions options, std::vector<GdacServer> servers)
    : QDialog(parent), m_options(std::move(options)), m_servers(std::move(servers))
{
    setObjectName(QStringLiteral("CGdacDlg"));
    setWindowTitle(QStringLiteral("Argo Data"));
    resize(820, 620);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QGridLayout;
    layout->addLayout(top);
    auto named = [](auto* widget, const char* name) {
        widget->setObjectName(QLatin1String(name));
        return widget;
    };
    m_pServer = named(new QComboBox(this), "server");
    for (const auto& s : m_servers)
        m_pServer->addItem(Q(s.label), Q(s.url));
    m_pServer->addItem(QStringLiteral("Other URL"));
    m_pUrl = named(new QLineEdit(this), "url");
    auto* browse = named(new QPushButton(QStringLiteral("..."), this), "browse");
    m_pSaveFolder = named(new QLineEdit(this), "saveFolder");
    top->addWidget(new QLabel(QStringLiteral("Server:"), this), 0, 0);
    top->addWidget(m_pServer, 0, 1);
    top->addWidget(m_pUrl, 0, 2, 1, 2);
    top->addWidget(new QLabel(QStringLiteral("save folder:"), this), 1, 0);
    top->addWidget(m_pSaveFolder, 1, 1, 1, 2);
    top->addWidget(browse, 1, 3);
    top->setColumnStretch(2, 1);

    m_pTabs = named(new QTabWidget(this), "tabs");
    layout->addWidget(m_pTabs, 1);

    // Search.
    auto* search = new QWidget(m_pTabs);
    auto* searchLayout = new QVBoxLayout(search);
    auto* form = new QGridLayout;
    searchLayout->addLayout(form);
    auto edit = [&](const char* name, const char* placeholder) {
        auto* e = named(new QLineEdit(search), name);
        e->setPlaceholderText(QLatin1String(placeholder));
        return e;
    };
    m_pIndex = named(new QComboBox(search), "index");
    m_pIndex->addItem(QStringLiteral("core (ar_index_global_prof)"), static_cast<int>(GdacIndexKind::Core));
    m_pIndex->addItem(QStringLiteral("synthetic BGC"), static_cast<int>(GdacIndexKind::Synthetic));
    m_pIndex->addItem(QStringLiteral("BGC (bio)"), static_cast<int>(GdacIndexKind::Bio));
    m_pWmo = edit("wmo", "e.g. 6901929, 13857");
    m_pDac = edit("dac", "e.g. coriolis");
    m_pLatMin = edit("latMin", "south");
    m_pLatMax = edit("latMax", "north");
    m_pLonWest = edit("lonWest", "west");
    m_pLonEast = edit("lonEast", "east");
    m_pFrom = edit("from", "YYYY-MM-DD");
    m_pTo = edit("to", "YYYY-MM-DD");
    m_pFresh = named(new QCheckBox(QStringLiteral("Read the index afresh"), search), "fresh");
    m_pSearch = named(new QPushButton(QStringLiteral("Search"), search), "search");
    m_pSearch->setAutoDefault(false);
    m_pCount = named(new QLabel(search), "count");
    form->addWidget(new QLabel(QStringLiteral("Index:"), search), 0, 0);
    form->addWidget(m_pIndex, 0, 1, 1, 2);
    form->addWidget(new QLabel(QStringLiteral("WMO numbers:"), search), 0, 3);
    form->addWidget(m_pWmo, 0, 4, 1, 2);
    form->addWidget(new QLabel(QStringLiteral("Latitude:"), search), 1, 0);
    form->addWidget(m_pLatMin, 1, 1);
    form->addWidget(m_pLatMax, 1, 2);
    form->addWidget(new QLabel(QStringLiteral("Longitude:"), search), 1, 3);
    form->addWidget(m_pLonWest, 1, 4);
    form->addWidget(m_pLonEast, 1, 5);
    form->addWidget(new QLabel(QStringLiteral("Date (UTC):"), search), 2, 0);
    form->addWidget(m_pFrom, 2, 1);
    form->addWidget(m_pTo, 2, 2);
    form->addWidget(new QLabel(QStringLiteral("DAC:"), search), 2, 3);
    form->addWidget(m_pDac, 2, 4);
    form->addWidget(m_pFresh, 3, 1, 1, 2);
    form->addWidget(m_pSearch, 3, 4);
    form->addWidget(m_pCount, 3, 5);
    m_pModel = new CGdacResultModel(this);
    m_pTable = named(new QTableView(search), "results");
    m_pTable->setModel(m_pModel);
    m_pTable->setSortingEnabled(true);
    m_pTable->sortByColumn(-1, Qt::AscendingOrder); // index order until a header is clicked
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTable->verticalHeader()->setDefaultSectionSize(m_pTable->fontMetrics().height() + 4);
    m_pTable->horizontalHeader()->setStretchLastSection(true);
    searchLayout->addWidget(m_pTable, 1);
    m_pTabs->addTab(search, QStringLiteral("Search"));

    // Browse.
    auto* browser = new QWidget(m_pTabs);
    auto* browserLayout = new QGridLayout(browser);
    m_pFolderPath = named(new QLineEdit(browser), "folderPath");
    m_pFolderPath->setReadOnly(true);
    m_pFolderList = named(new QListWidget(browser), "folders");
    m_pFileList = named(new QListWidget(browser), "files");
    m_pFileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    browserLayout->addWidget(m_pFolderPath, 0, 0, 1, 2);
    browserLayout->addWidget(new QLabel(QStringLiteral("Folder:"), browser), 1, 0);
    browserLayout->addWidget(new QLabel(QStringLiteral("Files:"), browser), 1, 1);
    browserLayout->addWidget(m_pFolderList, 2, 0);
    browserLayout->addWidget(m_pFileList, 2, 1);
    browserLayout->setColumnStretch(1, 2);
    browserLayout->setColumnStretch(0, 1);
    m_pTabs->addTab(browser, QStringLiteral("Browse"));

    m_pTransfers = named(new QListWidget(this), "transfers");
    m_pTransfers->setMaximumHeight(110);
    layout->addWidget(m_pTransfers);
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    m_pFetch = named(new QPushButton(QStringLiteral("Fetch"), this), "fetch");
    m_pClose = named(new QPushButton(QStringLiteral("close"), this), "close");
    m_pFetch->setAutoDefault(false);
    m_pClose->setAutoDefault(false);
    buttons->addStretch(1);
    buttons->addWidget(m_pFetch);
    buttons->addWidget(m_pClose);

    // Settings: the server typed or chosen last, the save folder the FTP dialog shares.
    const QString url = ReadSetting("gdac_url", Q(DefaultGdacUrl()));
    m_pUrl->setText(url);
    const int preset = m_pServer->findData(url);
    m_pServer->setCurrentIndex(preset >= 0 ? preset : m_pServer->count() - 1);
    m_pSaveFolder->setText(ReadSetting("save_folder"));

    // User actions only (see the FTP dialog): code that changes a control emits none.
    connect(m_pServer, &QComboBox::activated, this, &CGdacDlg::OnServerChosen);
    connect(m_pUrl, &QLineEdit::editingFinished, this, &CGdacDlg::OnUrlEdited);
    connect(browse, &QPushButton::clicked, this, &CGdacDlg::OnBrowseSaveFolder);
    connect(m_pSearch, &QPushButton::clicked, this, &CGdacDlg::OnSearch);
    connect(m_pTabs, &QTabWidget::currentChanged, this, &CGdacDlg::OnTabChanged);
    // The list handlers run queued: they refill the list that was clicked.
    connect(m_pFolderList, &QListWidget::itemActivated, this, &CGdacDlg::OnFolderActivated, Qt::QueuedConnection);
    connect(m_pFileList, &QListWidget::itemActivated, this, &CGdacDlg::OnFileActivated, Qt::QueuedConnection);
    connect(m_pTable, &QTableView::activated, this, &CGdacDlg::OnResultActivated, Qt::QueuedConnection);
    connect(m_pFetch, &QPushButton::clicked, this, &CGdacDlg::OnFetch);
    connect(m_pClose, &QPushButton::clicked, this, &CGdacDlg::reject);
}

CGdacDlg::~CGdacDlg() = default;

void CGdacDlg::reject()
{
    if (!m_bBusy)
        QDialog::reject(); // the progress dialog's Cancel stops running work
}

void CGdacDlg::SaveUrl()
{
    WriteSetting("gdac_url", m_pUrl->text().trimmed());
}

void CGdacDlg::OnServerChosen(int index)
{
    if (index < 0 || index >= static_cast<int>(m_servers.size())) {
        m_pUrl->clear(); // "Other URL": the user types it
        m_pUrl->setFocus();
        return;
    }
    m_pUrl->setText(Q(m_servers[static_cast<std::size_t>(index)].url));
    OnUrlEdited();
}

void CGdacDlg::OnUrlEdited()
{
    const QString url = m_pUrl->text().trimmed();
    const int preset = m_pServer->findData(url);
    m_pServer->setCurrentIndex(preset >= 0 ? preset : m_pServer->count() - 1);
    if (ParseGdacRoot(url.toStdString(), nullptr))
        SaveUrl();
    if (m_pTabs->currentIndex() == 1 && url.toStdString() != m_strListedUrl && !m_bBusy)
        ShowFolder("");
}

void CGdacDlg::OnBrowseSaveFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(this);
    if (folder.isEmpty())
        return;
    m_pSaveFolder->setText(folder);
    WriteSetting("save_folder", folder);
}

std::optional<GdacClient> CGdacDlg::Client()
{
    std::string error;
    auto root = ParseGdacRoot(m_pUrl->text().trimmed().toStdString(), &error);
    if (!root) {
        InputError(this, QStringLiteral("The server address is not usable: %1.").arg(Q(error)));
        return std::nullopt;
    }
    return GdacClient(std::move(*root), m_options);
}

void CGdacDlg::OnSearch()
{
    if (m_bBusy)
        return;
    IndexQuery query;
    if (!m_pWmo->text().trimmed().isEmpty()) {
        auto wmos = ParseWmoList(m_pWmo->text().toStdString());
        if (!wmos)
            return InputError(this, QStringLiteral("WMO numbers are digits separated by commas."));
        query.wmos = std::move(*wmos);
    }
    query.dac = m_pDac->text().trimmed().toStdString();
    if (query.dac.find_first_of("/,") != std::string::npos)
        return InputError(this, QStringLiteral("The DAC is one name, such as coriolis."));
    const QLineEdit* box[] = {m_pLatMin, m_pLatMax, m_pLonWest, m_pLonEast};
    int given = 0;
    for (const auto* e : box)
        given += e->text().trimmed().isEmpty() ? 0 : 1;
    if (given) {
        // A box needs all four bounds; a latitude range alone takes every longitude.
        const QString text =
            QStringLiteral("%1,%2,%3,%4")
                .arg(m_pLatMin->text().trimmed().isEmpty() ? QStringLiteral("-90") : m_pLatMin->text(),
                     m_pLatMax->text().trimmed().isEmpty() ? QStringLiteral("90") : m_pLatMax->text(),
                     m_pLonWest->text().trimmed().isEmpty() ? QStringLiteral("-180") : m_pLonWest->text(),
                     m_pLonEast->text().trimmed().isEmpty() ? QStringLiteral("180") : m_pLonEast->text());
        if (!ParseBox(text.toStdString(), query))
            return InputError(this,
                              QStringLiteral("The latitudes run from -90 to 90 (south first), the longitudes from "
                                             "-180 to 180 (west first; west greater than east crosses 180°)."));
    }
    for (auto [edit, endOfDay] : {std::pair{m_pFrom, false}, std::pair{m_pTo, true}}) {
        if (edit->text().trimmed().isEmpty())
            continue;
        const auto day = ParseDay(edit->text().toStdString(), endOfDay);
        if (!day)
            return InputError(this, QStringLiteral("Dates are written YYYY-MM-DD."));
        (endOfDay ? query.dateTo : query.dateFrom) = *day;
    }
    auto client = Client();
    if (!client)
        return;
    const auto kind = static_cast<GdacIndexKind>(m_pIndex->currentData().toInt());
    const bool fresh = m_pFresh->isChecked();

    GdacStatus status;
    IndexSearchResult result;
    GdacSearchRows rows;
    JobControl job;
    m_bBusy = true;
    const bool finished =
        RunInBackground(this, QStringLiteral("Reading %1").arg(QLatin1String(IndexFileName(kind))), job, [&] {
            std::string cached;
            status = client->UpdateIndex(kind, fresh, cached, &job);
            if (!status)
                return;
            job.SetTotal(0);
            job.SetDone(0);
            result = SearchIndexFile(
                cached, query, [&](std::string_view line) { rows.Add(line); }, &job,
                [&](std::string_view line) { rows.columnLine = line; });
        });
    m_bBusy = false;
    if (!finished || status.kind == GdacErrorKind::Cancelled || result.cancelled)
        return; // nothing the user sees changes
    if (!status) {
        BwMessageBox(this,
                     QStringLiteral("The index %1 could not be had from %2:\n%3")
                         .arg(QLatin1String(IndexFileName(kind)), m_pUrl->text(), Q(status.message)),
                     QStringLiteral("Search error."), MbIcon::Stop);
        return;
    }
    if (!result.ok) {
        BwMessageBox(this, QStringLiteral("The index could not be read:\n%1").arg(Q(result.error)),
                     QStringLiteral("Search error."), MbIcon::Stop);
        return;
    }
    m_pFresh->setChecked(false);
    m_pTable->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_pModel->SetRows(std::move(rows));
    m_pTable->resizeColumnsToContents(); // (measured on the first rows only)
    m_pCount->setText(
        QStringLiteral("%1 profiles").arg(IntegerText(static_cast<long long>(result.matches))) +
        (client->IndexNote().empty() ? QString() : QStringLiteral(" (cached index; server not reached)")));
}

void CGdacDlg::OnTabChanged(int index)
{
    if (index == 1 && !m_bBusy && m_pUrl->text().trimmed().toStdString() != m_strListedUrl)
        ShowFolder("");
}

bool CGdacDlg::ShowFolder(const std::string& folder)
{
    auto client = Client();
    if (!client)
        return false;
    std::vector<GdacEntry> entries;
    GdacStatus status;
    JobControl job;
    m_bBusy = true;
    const bool finished = RunInBackground(
        this, QStringLiteral("Listing %1").arg(Q(folder.empty() ? m_pUrl->text().toStdString() : folder)), job,
        [&] { status = client->List(folder, entries, &job); });
    m_bBusy = false;
    if (!finished || status.kind == GdacErrorKind::Cancelled)
        return false;
    if (!status) {
        BwMessageBox(this,
                     QStringLiteral("The folder %1 could not be listed:\n%2")
                         .arg(Q(folder.empty() ? "/" : folder), Q(status.message)),
                     QStringLiteral("directory error"), MbIcon::Stop);
        return false;
    }
    m_strListedUrl = m_pUrl->text().trimmed().toStdString();
    m_strFolder = folder;
    m_folders.clear();
    m_files.clear();
    if (!folder.empty())
        m_folders.push_back({"..", true, -1});
    for (auto& e : entries)
        (e.isDirectory ? m_folders : m_files).push_back(std::move(e));
    auto fill = [](QListWidget* list, const std::vector<GdacEntry>& names) {
        const QSignalBlocker block(list);
        list->clear();
        for (std::size_t i = 0; i < names.size(); ++i) {
            auto* item = new QListWidgetItem(Q(names[i].name), list);
            item->setData(Qt::UserRole, static_cast<qulonglong>(i));
        }
    };
    fill(m_pFolderList, m_folders);
    fill(m_pFileList, m_files);
    m_pFolderPath->setText(Q(m_strListedUrl) + QLatin1Char('/') + Q(folder));
    return true;
}

void CGdacDlg::OnFolderActivated()
{
    const int row = m_pFolderList->currentRow();
    if (m_bBusy || row < 0 || row >= static_cast<int>(m_folders.size()))
        return;
    const std::string& name = m_folders[static_cast<std::size_t>(row)].name;
    std::string target;
    if (name == "..") {
        const auto slash = m_strFolder.rfind('/');
        target = slash == std::string::npos ? std::string() : m_strFolder.substr(0, slash);
    } else {
        target = m_strFolder.empty() ? name : m_strFolder + "/" + name;
    }
    ShowFolder(target);
}

void CGdacDlg::OnFileActivated()
{
    const int row = m_pFileList->currentRow();
    if (m_bBusy || row < 0 || row >= static_cast<int>(m_files.size()))
        return;
    const GdacEntry& e = m_files[static_cast<std::size_t>(row)];
    Fetch({{m_strFolder.empty() ? e.name : m_strFolder + "/" + e.name, e.size}});
}

void CGdacDlg::OnResultActivated()
{
    const QModelIndex current = m_pTable->currentIndex();
    if (m_bBusy || !current.isValid())
        return;
    Fetch({{"dac/" + m_pModel->FileOf(current.row()), -1}});
}

void CGdacDlg::OnFetch()
{
    if (m_bBusy)
        return;
    std::vector<std::pair<std::string, std::int64_t>> files;
    if (m_pTabs->currentIndex() == 0) {
        auto rows = m_pTable->selectionModel()->selectedRows();
        std::sort(rows.begin(), rows.end(),
                  [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
        for (const QModelIndex& r : rows)
            files.push_back({"dac/" + m_pModel->FileOf(r.row()), -1});
    } else {
        for (int row = 0; row < m_pFileList->count(); ++row)
            if (m_pFileList->item(row)->isSelected() && row < static_cast<int>(m_files.size())) {
                const GdacEntry& e = m_files[static_cast<std::size_t>(row)];
                files.push_back({m_strFolder.empty() ? e.name : m_strFolder + "/" + e.name, e.size});
            }
    }
    if (files.empty()) {
        BwMessageBox(this, QStringLiteral("Please choose the files to fetch."), QStringLiteral("error"), MbIcon::Stop);
        return;
    }
    Fetch(files);
}

void CGdacDlg::Fetch(const std::vector<std::pair<std::string, std::int64_t>>& files)
{
    const QString folder = m_pSaveFolder->text();
    if (folder.isEmpty()) {
        BwMessageBox(this, QStringLiteral("Please input a folder of a destination."), QStringLiteral("error"),
                     MbIcon::Stop);
        return;
    }
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isWritable()) {
        BwMessageBox(this,
                     info.exists() && info.isDir()
                         ? QStringLiteral("The save folder %1 cannot be written to.").arg(folder)
                         : QStringLiteral("The save folder %1 does not exist.").arg(folder),
                     QStringLiteral("error"), MbIcon::Stop);
        return;
    }
    WriteSetting("save_folder", folder);
    auto client = Client();
    if (!client)
        return;

    // Every remote name comes from a server: only safe paths whose own name can be a
    // local file name are fetched; the others fail without a transfer.
    std::vector<GdacFetchItem> items;
    std::vector<QString> names;
    for (const auto& [path, size] : files) {
        GdacFetchItem item;
        item.remotePath = path;
        item.expectedSize = size;
        const std::string name(LastPart(path));
        const QString local = folder + QLatin1Char('/') + Q(name);
        if (IsSafeRelativePath(path) && IsSafeLocalFileName(name) && local.toUtf8().size() <= kMaxLocalPathBytes)
            item.localPath = QFile::encodeName(local).toStdString();
        items.push_back(std::move(item));
        names.push_back(Q(name));
    }
    auto progress = std::make_unique<GdacFileProgress[]>(items.size());
    std::vector<GdacFetchItem> usable;
    std::vector<std::size_t> usableAt;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].localPath.empty()) {
            items[i].status = {GdacErrorKind::BadName, "unusable file name"};
            progress[i].state.store(GdacFileProgress::Failed);
        } else {
            usable.push_back(items[i]);
            usableAt.push_back(i);
        }
    }
    auto usableProgress = std::make_unique<GdacFileProgress[]>(usable.size());

    m_pTransfers->clear();
    for (std::size_t i = 0; i < items.size(); ++i)
        m_pTransfers->addItem(TransferText(names[i], progress[i], &items[i].status));
    auto refresh = [&] {
        for (std::size_t k = 0; k < usable.size(); ++k)
            if (auto* item = m_pTransfers->item(static_cast<int>(usableAt[k])))
                item->setText(TransferText(names[usableAt[k]], usableProgress[k]));
    };
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, refresh);
    timer.start(100);
    JobControl job;
    m_bBusy = true;
    const bool finished = RunInBackground(
        this, QStringLiteral("Fetching %1 files").arg(IntegerText(static_cast<long long>(usable.size()))), job,
        [&] { client->FetchFiles(usable, &job, usableProgress.get()); }, QStringLiteral("files"));
    m_bBusy = false;
    timer.stop();
    for (std::size_t k = 0; k < usable.size(); ++k)
        items[usableAt[k]].status = usable[k].status;
    for (std::size_t k = 0; k < usable.size(); ++k)
        if (auto* item = m_pTransfers->item(static_cast<int>(usableAt[k])))
            item->setText(TransferText(names[usableAt[k]], usableProgress[k], &usable[k].status));
    if (!finished)
        return; // what arrived before the cancel is in place; the window stays

    // The last netCDF file fetched is shown; other files (an index) just land in the folder.
    QString lastFetched;
    QStringList reasons;
    int failed = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].status) {
            if (names[i].endsWith(QStringLiteral(".nc")))
                lastFetched = QFile::decodeName(QByteArray::fromStdString(items[i].localPath));
        } else {
            ++failed;
            if (reasons.size() < kMaxReasonsShown)
                reasons << names[i] + QStringLiteral(": ") + Q(items[i].status.message);
        }
    }
    if (failed) {
        BwMessageBox(this,
                     QStringLiteral("%1 of %2 files could not be fetched.\n%3")
                         .arg(failed)
                         .arg(items.size())
                         .arg(reasons.join(QLatin1Char('\n'))),
                     QStringLiteral("get error"), MbIcon::Stop);
    }
    if (!lastFetched.isEmpty()) {
        m_strLocalPath = lastFetched;
        done(QDialog::Accepted);
    }
}

std::optional<QString> RunArgoData(QWidget* parent)
{
    auto* dlg = parent ? parent->findChild<CGdacDlg*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    std::unique_ptr<CGdacDlg> owned;
    if (!dlg) {
        GdacOptions options;
        // A mirror with its own certificate authority names it in the settings.
        options.caFile = ReadSetting("gdac_cacert").toStdString();
        dlg = new CGdacDlg(parent, options);
        if (!parent)
            owned.reset(dlg);
    }
    if (dlg->exec() == QDialog::Accepted)
        return dlg->LocalPath();
    return std::nullopt;
}
