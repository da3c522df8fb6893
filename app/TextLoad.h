#pragma once
// A file's text loading into the window: the text is made on the worker thread and
// handed to the window in pieces as it comes, header first, so that the window shows,
// scrolls and searches it while the rest is still being read.
#include <QFuture>
#include <QObject>
#include <QTimer>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "cdl/render_cdl.h"

class FileReader;
class JobControl;

class TextLoad : public QObject {
    Q_OBJECT
public:
    // Starts making the text of `path` through `reader`, which must outlive the load.
    TextLoad(FileReader& reader, const std::string& path, const CdlOptions& options, QObject* parent = nullptr);
    // A load still running is cancelled and waited for.
    ~TextLoad() override;

    // Asks the reading to stop; `finished` follows with a cancelled outcome.
    void Cancel();
    bool Running() const { return !m_ended; }
    // Progress of the reading, in bytes of text made.
    const JobControl& Control() const;

    // Moves the text made since the last call, at most `most` bytes of it, into `bytes`
    // (appended) and the starts of its new lines into `starts` (offsets in the whole
    // text; 0 left out). Returns whether more is waiting.
    bool TakeText(std::string& bytes, std::vector<std::size_t>& starts, std::size_t most);
    // How the reading ended; valid once `finished` has been emitted.
    const CdlOutcome& Outcome() const { return m_outcome; }

signals:
    // New text may be waiting (emitted every few tenths of a second while it loads).
    void textReady();
    // The reading has ended: all its text can be taken, and Outcome() says how it ended.
    void finished();

private:
    struct Shared;
    void onWorkerDone();

    std::shared_ptr<Shared> m_shared;
    QFuture<void> m_future;
    QTimer m_poll;
    CdlOutcome m_outcome;
    bool m_ended = false;
};
