#pragma once
// The Argo Data window's fetch queue: files wait, then arrive one after another on a
// worker thread while the window stays usable. Each row shows its bytes and offers
// Cancel (waiting or running) and Open (arrived); the bar below counts the bytes of
// all rows, with Cancel all. A target that exists already, or that a row waiting or
// running will write, asks Replace / Keep both / Skip before the file is queued.
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "core/JobControl.h"
#include "gdac/GdacClient.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;

enum class SameNameChoice { Replace, KeepBoth, Skip };

// One file for the queue.
struct QueuedFile {
    std::string remotePath;         // below the root
    std::int64_t expectedSize = -1; // from a listing, -1 when not known
    bool openWhenDone = false;      // ask to show it once it has arrived
    bool overview = false;          // ... with the Float Overview
};

class CGdacFetchQueue : public QWidget {
    Q_OBJECT
public:
    enum class State { Waiting, Running, Done, Failed, Cancelled };

    explicit CGdacFetchQueue(QWidget* parent = nullptr);
    ~CGdacFetchQueue() override;

    // Queues `files` from `client`'s server into `folder` (an existing, writable folder).
    // Names a server gave that cannot be local file names are refused with their
    // reasons in the result; files the user skips are left out silently.
    QStringList Enqueue(const GdacClient& client, const QString& folder, const std::vector<QueuedFile>& files);
    // Tests replace the question (the window asks with a message box).
    void SetSameNameQuestion(std::function<SameNameChoice(const QString& path)> ask) { m_ask = std::move(ask); }

    int Count() const { return static_cast<int>(m_entries.size()); }
    State StateOf(int row) const;
    QString TextOf(int row) const;      // the row's progress text
    QString LocalPathOf(int row) const; // where the row's file goes
    QString TotalText() const;          // "12.3 KB of 45.6 KB (1 of 3 files)"
    bool Idle() const;                  // nothing waits or runs
    void Cancel(int row);
    void CancelAll();
    void Open(int row); // emits openRequested for an arrived row

signals:
    void openRequested(const QString& path, bool overview);
    // A row has arrived, failed or been cancelled.
    void rowFinished(int row);

private:
    struct Entry;
    void StartNext();
    void OnWorkerDone(int row);
    void Refresh();
    QString RowText(const Entry& e) const;

    std::vector<std::unique_ptr<Entry>> m_entries;
    std::function<SameNameChoice(const QString& path)> m_ask;
    std::thread m_worker;
    int m_running = -1; // the row the worker fetches, or -1
    QTreeWidget* m_pList = nullptr;
    QProgressBar* m_pTotal = nullptr;
    QLabel* m_pTotalText = nullptr;
    QPushButton* m_pCancelAll = nullptr;
    QTimer* m_pTimer = nullptr;
};
