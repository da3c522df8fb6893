#include "app/TextLoad.h"

#include <QFutureWatcher>
#include <mutex>

#include "cdl/reads.h"
#include "core/JobControl.h"
#include "reader/file_reader.h"
#include "text/CompactText.h"
#include "uikit/BackgroundTask.h"

namespace {

// The first piece shows soon after the header has come; later pieces in larger steps,
// so that a long text is not laid out again many times a second.
constexpr int kFirstPollMs = 20;
constexpr int kPollMs = 150;

} // namespace

// What the worker and the window share: the text compacted so far, behind a lock.
struct TextLoad::Shared : CdlSink {
    void write(std::string_view bytes) override
    {
        const std::lock_guard<std::mutex> lock(mutex);
        compactor.feed(bytes);
    }

    std::mutex mutex;
    StreamCompactor compactor;
    JobControl control;
    CdlOutcome outcome; // written by the worker before it ends
};

TextLoad::TextLoad(FileReader& reader, const std::string& path, const CdlOptions& options, QObject* parent)
    : QObject(parent), m_shared(std::make_shared<Shared>())
{
    std::shared_ptr<Shared> shared = m_shared;
    m_future = StartInBackground([shared, &reader, path, options] {
        CdlOutcome outcome;
        try {
            outcome = Read<TextRead>(reader, {path, options}, {&shared->control, shared.get()});
        } catch (const std::bad_alloc&) {
            outcome.log += "Out of memory! " + path + " could not be shown in full\n";
        }
        const std::lock_guard<std::mutex> lock(shared->mutex);
        shared->compactor.finish();
        shared->outcome = std::move(outcome);
    });
    auto* watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcher<void>::finished, this, &TextLoad::onWorkerDone);
    watcher->setFuture(m_future);
    connect(&m_poll, &QTimer::timeout, this, [this] {
        m_poll.setInterval(kPollMs);
        emit textReady();
    });
    m_poll.start(kFirstPollMs);
}

TextLoad::~TextLoad()
{
    if (!m_ended) {
        m_shared->control.RequestCancel();
        m_future.waitForFinished();
    }
}

void TextLoad::Cancel()
{
    m_shared->control.RequestCancel();
}

const JobControl& TextLoad::Control() const
{
    return m_shared->control;
}

bool TextLoad::TakeText(std::string& bytes, std::vector<std::size_t>& starts, std::size_t most)
{
    const std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->compactor.takeReady(bytes, starts, most);
    return !m_shared->compactor.text().empty();
}

void TextLoad::onWorkerDone()
{
    m_poll.stop();
    {
        const std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_outcome = std::move(m_shared->outcome);
    }
    m_ended = true;
    emit finished();
}
