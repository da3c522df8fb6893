#include "gdac/GdacFetchQueue.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ftp/FtpListing.h"
#include "gdac/GdacRoot.h"

namespace {

constexpr int kMaxLocalPathBytes = 1023; // the document keeps paths of at most 1023 bytes

QString SizeText(std::uint64_t bytes)
{
    if (bytes < 1000)
        return QStringLiteral("%1 bytes").arg(bytes);
    return QString::number(static_cast<double>(bytes) / 1e3, 'f', 1) + QStringLiteral(" KB");
}

QString Q(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// "name (2).nc", "name (3).nc", ...: the first that neither exists nor is `taken`.
QString FreeName(const QString& path, const std::function<bool(const QString&)>& taken)
{
    const QFileInfo info(path);
    const QString dir = info.path() + QLatin1Char('/');
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QString stem = info.fileName().left(info.fileName().size() - suffix.size());
    for (int n = 2;; ++n) {
        const QString candidate = dir + QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(suffix);
        if (!QFileInfo::exists(candidate) && !taken(candidate))
            return candidate;
    }
}

SameNameChoice AskSameName(QWidget* parent, const QString& path)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Argo Data"), QStringLiteral("%1 exists already.").arg(path),
                    QMessageBox::NoButton, parent);
    auto* replace = box.addButton(QStringLiteral("Replace"), QMessageBox::AcceptRole);
    auto* both = box.addButton(QStringLiteral("Keep both"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Skip"), QMessageBox::RejectRole);
    box.exec();
    return box.clickedButton() == replace ? SameNameChoice::Replace
           : box.clickedButton() == both  ? SameNameChoice::KeepBoth
                                          : SameNameChoice::Skip;
}

} // namespace

struct CGdacFetchQueue::Entry {
    Entry(const GdacClient& c, const QueuedFile& f, const QString& path)
        : client(c), file(f), name(QFileInfo(path).fileName()), localPath(path)
    {}
    GdacClient client;
    QueuedFile file;
    QString name;
    QString localPath;
    JobControl job;
    GdacFileProgress progress;
    GdacStatus status;
    State state = State::Waiting;
    QTreeWidgetItem* item = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* open = nullptr;
};

CGdacFetchQueue::CGdacFetchQueue(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("fetchQueue"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_pList = new QTreeWidget(this);
    m_pList->setObjectName(QStringLiteral("transfers"));
    m_pList->setColumnCount(3);
    m_pList->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Progress"), QString()});
    m_pList->setRootIsDecorated(false);
    m_pList->header()->setStretchLastSection(false);
    m_pList->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_pList->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_pList->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    layout->addWidget(m_pList, 1);
    auto* total = new QHBoxLayout;
    layout->addLayout(total);
    m_pTotal = new QProgressBar(this);
    m_pTotal->setObjectName(QStringLiteral("total"));
    m_pTotal->setRange(0, 1000);
    m_pTotal->setValue(0);
    m_pTotal->setTextVisible(false);
    m_pTotalText = new QLabel(this);
    m_pTotalText->setObjectName(QStringLiteral("totalText"));
    m_pCancelAll = new QPushButton(QStringLiteral("Cancel all"), this);
    m_pCancelAll->setObjectName(QStringLiteral("cancelAll"));
    m_pCancelAll->setAutoDefault(false);
    m_pCancelAll->setEnabled(false);
    total->addWidget(m_pTotal, 1);
    total->addWidget(m_pTotalText);
    total->addWidget(m_pCancelAll);
    m_pTimer = new QTimer(this);
    m_pTimer->setInterval(100);
    connect(m_pTimer, &QTimer::timeout, this, &CGdacFetchQueue::Refresh);
    connect(m_pCancelAll, &QPushButton::clicked, this, &CGdacFetchQueue::CancelAll);
    m_ask = [this](const QString& path) { return AskSameName(this, path); };
}

CGdacFetchQueue::~CGdacFetchQueue()
{
    for (auto& e : m_entries)
        e->job.RequestCancel();
    if (m_worker.joinable())
        m_worker.join(); // a cancelled transfer ends within about a second
}

QStringList CGdacFetchQueue::Enqueue(const GdacClient& client, const QString& folder,
                                     const std::vector<QueuedFile>& files)
{
    QStringList refused;
    auto taken = [this](const QString& path) {
        for (const auto& e : m_entries)
            if ((e->state == State::Waiting || e->state == State::Running) && e->localPath == path)
                return true;
        return false;
    };
    for (const QueuedFile& f : files) {
        const std::string name(LastPart(f.remotePath));
        QString local = folder + QLatin1Char('/') + Q(name);
        if (!IsSafeRelativePath(f.remotePath) || !IsSafeLocalFileName(name) ||
            local.toUtf8().size() > kMaxLocalPathBytes) {
            refused << Q(name) + QStringLiteral(": unusable file name");
            continue;
        }
        if (QFileInfo::exists(local) || taken(local)) {
            const SameNameChoice choice = m_ask(local);
            if (choice == SameNameChoice::Skip)
                continue;
            if (choice == SameNameChoice::KeepBoth)
                local = FreeName(local, taken);
            else if (taken(local)) // replacing what another row is writing: that row goes
                for (auto& e : m_entries)
                    if (e->localPath == local && e->state == State::Waiting)
                        e->state = State::Cancelled;
        }
        auto e = std::make_unique<Entry>(client, f, local);
        e->item = new QTreeWidgetItem(m_pList, {e->name, RowText(*e)});
        auto* buttons = new QWidget(m_pList);
        auto* row = new QHBoxLayout(buttons);
        row->setContentsMargins(0, 0, 0, 0);
        e->cancel = new QPushButton(QStringLiteral("Cancel"), buttons);
        e->open = new QPushButton(QStringLiteral("Open"), buttons);
        e->open->setEnabled(false);
        for (auto* b : {e->cancel, e->open}) {
            b->setAutoDefault(false);
            row->addWidget(b);
        }
        m_pList->setItemWidget(e->item, 2, buttons);
        const int index = Count();
        connect(e->cancel, &QPushButton::clicked, this, [this, index] { Cancel(index); });
        connect(e->open, &QPushButton::clicked, this, [this, index] { Open(index); });
        m_entries.push_back(std::move(e));
    }
    Refresh();
    StartNext();
    return refused;
}

CGdacFetchQueue::State CGdacFetchQueue::StateOf(int row) const
{
    return m_entries.at(static_cast<std::size_t>(row))->state;
}

QString CGdacFetchQueue::TextOf(int row) const
{
    return RowText(*m_entries.at(static_cast<std::size_t>(row)));
}

QString CGdacFetchQueue::LocalPathOf(int row) const
{
    return m_entries.at(static_cast<std::size_t>(row))->localPath;
}

bool CGdacFetchQueue::Idle() const
{
    for (const auto& e : m_entries)
        if (e->state == State::Waiting || e->state == State::Running)
            return false;
    return true;
}

QString CGdacFetchQueue::RowText(const Entry& e) const
{
    const auto got = e.progress.received.load(), total = e.progress.total.load();
    switch (e.state) {
    case State::Waiting: return QStringLiteral("waiting");
    case State::Running: return total ? QStringLiteral("%1 of %2").arg(SizeText(got), SizeText(total)) : SizeText(got);
    case State::Done: return QStringLiteral("done, %1").arg(SizeText(got));
    case State::Cancelled: return QStringLiteral("cancelled");
    case State::Failed: break;
    }
    return QStringLiteral("failed (%1)").arg(Q(e.status.message)) +
           (e.status.certificate ? QStringLiteral(": choose the server's CA file in \"CA certificates\"") : QString());
}

QString CGdacFetchQueue::TotalText() const
{
    std::uint64_t got = 0, total = 0;
    int done = 0, counted = 0;
    for (const auto& e : m_entries) {
        if (e->state == State::Cancelled)
            continue;
        ++counted;
        done += e->state == State::Done ? 1 : 0;
        const auto r = e->progress.received.load(), t = e->progress.total.load();
        got += r;
        total += std::max(r, t ? t : e->file.expectedSize > 0 ? static_cast<std::uint64_t>(e->file.expectedSize) : 0);
    }
    return QStringLiteral("%1 of %2 (%3 of %4 files)").arg(SizeText(got), SizeText(total)).arg(done).arg(counted);
}

void CGdacFetchQueue::Refresh()
{
    std::uint64_t got = 0, total = 0;
    for (const auto& e : m_entries) {
        e->item->setText(1, RowText(*e));
        e->cancel->setEnabled(e->state == State::Waiting || e->state == State::Running);
        e->open->setEnabled(e->state == State::Done && e->localPath.endsWith(QStringLiteral(".nc")));
        if (e->state == State::Cancelled)
            continue;
        const auto r = e->progress.received.load(), t = e->progress.total.load();
        got += r;
        total += std::max(r, t);
    }
    m_pTotal->setValue(total ? static_cast<int>(1000.0 * static_cast<double>(got) / static_cast<double>(total)) : 0);
    m_pTotalText->setText(TotalText());
    m_pCancelAll->setEnabled(!Idle());
}

void CGdacFetchQueue::StartNext()
{
    if (m_running >= 0)
        return;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        Entry& e = *m_entries[i];
        if (e.state != State::Waiting)
            continue;
        if (m_worker.joinable())
            m_worker.join(); // the last transfer has posted its end already
        m_running = static_cast<int>(i);
        e.state = State::Running;
        e.progress.state.store(GdacFileProgress::Running);
        m_worker = std::thread([this, &e, row = m_running] {
            std::vector<GdacFetchItem> items(1);
            items[0].remotePath = e.file.remotePath;
            items[0].localPath = QFile::encodeName(e.localPath).toStdString();
            items[0].expectedSize = e.file.expectedSize;
            e.client.FetchFiles(items, &e.job, &e.progress);
            e.status = items[0].status;
            QMetaObject::invokeMethod(
                this, [this, row] { OnWorkerDone(row); }, Qt::QueuedConnection);
        });
        m_pTimer->start();
        Refresh();
        return;
    }
    m_pTimer->stop();
    Refresh();
}

void CGdacFetchQueue::OnWorkerDone(int row)
{
    Entry& e = *m_entries[static_cast<std::size_t>(row)];
    m_running = -1;
    if (m_worker.joinable())
        m_worker.join();
    e.state = e.status ? State::Done : e.status.kind == GdacErrorKind::Cancelled ? State::Cancelled : State::Failed;
    Refresh();
    emit rowFinished(row);
    if (e.state == State::Done && e.file.openWhenDone)
        Open(row);
    StartNext();
}

void CGdacFetchQueue::Cancel(int row)
{
    if (row < 0 || row >= Count())
        return;
    Entry& e = *m_entries[static_cast<std::size_t>(row)];
    if (e.state == State::Waiting) {
        e.state = State::Cancelled;
        Refresh();
        emit rowFinished(row);
    } else if (e.state == State::Running) {
        e.job.RequestCancel(); // the worker ends the row
    }
}

void CGdacFetchQueue::CancelAll()
{
    for (int row = Count() - 1; row >= 0; --row)
        Cancel(row);
}

void CGdacFetchQueue::Open(int row)
{
    if (row >= 0 && row < Count() && StateOf(row) == State::Done)
        emit openRequested(LocalPathOf(row), m_entries[static_cast<std::size_t>(row)]->file.overview);
}
