#include "gdac/GdacDlg.h"
#include "gdac/GdacDlgText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
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
#include <QSplitter>
#include <QVBoxLayout>

#include <cmath>

#include "core/JobControl.h"
#include "ftp/FtpListing.h"
#include "gdac/GdacFetchQueue.h"
#include "gdac/GdacMatchMap.h"
#include "gdac/GdacResultModel.h"
#include "gdac/float_files.h"
#include "gdac/match_points.h"
#include "overview/coastline.h"
#include "uikit/AppSettings.h"
#include "uikit/BackgroundTask.h"
#include "uikit/MessageBox.h"
#include "uikit/NumberText.h"

using namespace gdac_dlg;

CGdacDlg::CGdacDlg(QWidget* parent, GdacOptions options, std::vector<GdacServer> servers)
    : QDialog(parent), m_options(std::move(options)), m_servers(std::move(servers))
{
    setObjectName(QStringLiteral("CGdacDlg"));
    setWindowTitle(QStringLiteral("Argo Data"));
    resize(1100, 760);

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
    m_pCaFile = named(new QLineEdit(this), "caFile");
    m_pCaFile->setPlaceholderText(QStringLiteral("the system's certificate authorities"));
    m_pCaFile->setToolTip(QStringLiteral("A PEM file of the certificate authority that signed a private server's "
                                         "certificate"));
    auto* caBrowse = named(new QPushButton(QStringLiteral("Browse..."), this), "caBrowse");
    caBrowse->setAutoDefault(false);
    top->addWidget(new QLabel(QStringLiteral("Server:"), this), 0, 0);
    top->addWidget(m_pServer, 0, 1);
    top->addWidget(m_pUrl, 0, 2);
    top->addWidget(new QLabel(QStringLiteral("CA certificates:"), this), 0, 3);
    top->addWidget(m_pCaFile, 0, 4);
    top->addWidget(caBrowse, 0, 5);
    top->addWidget(new QLabel(QStringLiteral("save folder:"), this), 1, 0);
    top->addWidget(m_pSaveFolder, 1, 1, 1, 4);
    top->addWidget(browse, 1, 5);
    top->setColumnStretch(2, 2);
    top->setColumnStretch(4, 1);

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
    m_pFloat = named(new QPushButton(QStringLiteral("Float files"), search), "floatFiles");
    m_pFloat->setAutoDefault(false);
    m_pFloat->setToolTip(QStringLiteral("Fetch the chosen row's float: <wmo>_prof.nc and <wmo>_Sprof.nc, and show "
                                        "its Float Overview"));
    form->addWidget(m_pSearch, 3, 3);
    form->addWidget(m_pFloat, 3, 4);
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
    auto* split = new QSplitter(Qt::Horizontal, search);
    split->addWidget(m_pTable);
    auto* mapSide = new QWidget(split);
    auto* mapLayout = new QVBoxLayout(mapSide);
    mapLayout->setContentsMargins(0, 0, 0, 0);
    m_pMap = new CMatchMap(mapSide);
    mapLayout->addWidget(m_pMap, 1);
    mapLayout->addWidget(new QLabel(QStringLiteral("Drag: region  ·  right-drag: pan  ·  wheel: zoom  ·  click: "
                                                   "choose a profile"),
                                    mapSide));
    split->addWidget(mapSide);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    searchLayout->addWidget(split, 1);
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

    m_pQueue = new CGdacFetchQueue(this);
    m_pQueue->setMaximumHeight(170);
    layout->addWidget(m_pQueue);
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
    // A CA file in the settings stands for the one the caller gave (tests give their own).
    const QString ca = ReadSetting("gdac_cacert");
    if (!ca.isEmpty())
        m_options.caFile = QFile::encodeName(ca).toStdString();
    m_pCaFile->setText(QFile::decodeName(QByteArray::fromStdString(m_options.caFile)));
    m_pMap->SetPoints({}, &SharedCoastline(QCoreApplication::applicationDirPath().toStdString()));

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
    connect(m_pFloat, &QPushButton::clicked, this, &CGdacDlg::OnFetchFloat);
    connect(caBrowse, &QPushButton::clicked, this, &CGdacDlg::OnBrowseCaFile);
    connect(m_pCaFile, &QLineEdit::editingFinished, this, &CGdacDlg::OnCaFileEdited);
    connect(m_pMap, &CMatchMap::regionDragged, this, &CGdacDlg::OnMapRegion);
    connect(m_pMap, &CMatchMap::pointClicked, this, &CGdacDlg::OnMapPoint);
    connect(m_pTable->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CGdacDlg::OnTableSelection);
    connect(m_pQueue, &CGdacFetchQueue::openRequested, this, &CGdacDlg::openRequested);
    connect(m_pClose, &QPushButton::clicked, this, &CGdacDlg::reject);
}

CGdacDlg::~CGdacDlg() = default;

void CGdacDlg::reject()
{
    if (!m_bBusy)
        QDialog::reject(); // the progress dialog's Cancel stops running work; the queue runs on
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
    ForgetOtherServer();
    if (m_pTabs->currentIndex() == 1 && url.toStdString() != m_strListedUrl && !m_bBusy)
        ShowFolder("");
}

void CGdacDlg::ForgetOtherServer()
{
    const std::string url = m_pUrl->text().trimmed().toStdString();
    if (!m_strListedUrl.empty() && url != m_strListedUrl) {
        m_strListedUrl.clear();
        m_strFolder.clear();
        m_folders.clear();
        m_files.clear();
        m_pFolderList->clear();
        m_pFileList->clear();
        m_pFolderPath->clear();
    }
    if (!m_strSearchedUrl.empty() && url != m_strSearchedUrl) {
        m_strSearchedUrl.clear();
        m_pModel->SetRows({});
        m_pMap->SetPoints({}, &SharedCoastline(QCoreApplication::applicationDirPath().toStdString()));
        m_pMap->SetBox(std::nullopt);
        m_pMap->SetTitle({});
        m_pCount->clear();
    }
}

void CGdacDlg::OnBrowseCaFile()
{
    const QString file =
        QFileDialog::getOpenFileName(this, QStringLiteral("CA certificates"), m_pCaFile->text(),
                                     QStringLiteral("Certificates (*.pem *.crt *.cer);;All files (*)"));
    if (file.isEmpty())
        return;
    m_pCaFile->setText(file);
    OnCaFileEdited();
}

void CGdacDlg::OnCaFileEdited()
{
    // Applied at once: the next listing, search or fetch trusts it.
    const QString file = m_pCaFile->text().trimmed();
    m_options.caFile = QFile::encodeName(file).toStdString();
    WriteSetting("gdac_cacert", file);
}

void CGdacDlg::ServerError(const QString& text, const QString& caption, const GdacStatus& status)
{
    QString message = text + Q(status.message);
    if (status.certificate)
        message += m_pCaFile->text().trimmed().isEmpty()
                       ? QStringLiteral("\n\nThe server's certificate is not signed by an authority this system "
                                        "trusts. If you trust the server, choose its certificate authority's file "
                                        "(PEM) in \"CA certificates\" with Browse...")
                       : QStringLiteral("\n\nThe server's certificate could not be checked with the CA file %1. "
                                        "Choose the file of the authority that signed the server's certificate in "
                                        "\"CA certificates\" with Browse..., or empty the field to use the "
                                        "system's authorities.")
                             .arg(m_pCaFile->text().trimmed());
    BwMessageBox(this, message, caption, MbIcon::Stop);
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
        ServerError(QStringLiteral("The index %1 could not be had from %2:\n")
                        .arg(QLatin1String(IndexFileName(kind)), m_pUrl->text()),
                    QStringLiteral("Search error."), status);
        return;
    }
    if (!result.ok) {
        BwMessageBox(this, QStringLiteral("The index could not be read:\n%1").arg(Q(result.error)),
                     QStringLiteral("Search error."), MbIcon::Stop);
        return;
    }
    m_pFresh->setChecked(false);
    m_pTable->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    std::vector<MatchPoint> points = MatchPointsOf(rows.columnLine, rows.text);
    m_pModel->SetRows(std::move(rows));
    m_pTable->resizeColumnsToContents(); // (measured on the first rows only)
    const QString count = QStringLiteral("%1 profiles").arg(IntegerText(static_cast<long long>(result.matches)));
    m_pCount->setText(
        count + (client->IndexNote().empty() ? QString() : QStringLiteral(" (cached index; server not reached)")));
    m_strSearchedUrl = m_pUrl->text().trimmed().toStdString();
    m_pMap->SetPoints(std::move(points), &SharedCoastline(QCoreApplication::applicationDirPath().toStdString()));
    m_pMap->SetBox(query.hasBox
                       ? std::optional<MapRegion>(MapRegion{query.latMin, query.latMax, query.lonWest, query.lonEast})
                       : std::nullopt);
    m_pMap->SetTitle(Q(QueryText(kind, query)) + QStringLiteral(": ") + count);
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
        ServerError(QStringLiteral("The folder %1 could not be listed:\n").arg(Q(folder.empty() ? "/" : folder)),
                    QStringLiteral("directory error"), status);
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
