#pragma once
// Runs long work on a worker thread while the window stays live. After a short delay a
// window-modal progress dialog shows how far the work has come and offers Cancel; the
// call returns when the work has ended, so the caller's code reads as if it were
// synchronous, but the window keeps painting throughout.
#include <QFuture>
#include <QString>
#include <functional>

#include "core/JobControl.h"

class QWidget;

// Runs `work` on the one worker thread (pieces of work never overlap, because the
// netCDF library must not be used from two threads at once). `label` is the dialog's text; `unit` names what
// JobControl counts ("bytes" are shown in MB, anything else as "N of M unit").
// Returns false when the user cancelled (the work saw Cancelled() and has returned).
// The work must not touch widgets; it reports through `control` and its own captures.
bool RunInBackground(QWidget* parent, const QString& label, JobControl& control, const std::function<void()>& work,
                     const QString& unit = QStringLiteral("bytes"));

// Starts `work` on the same worker thread and returns at once: for work whose
// progress the caller shows itself (a text that streams into the window). The caller
// watches the future; a piece of work started later waits for this one.
QFuture<void> StartInBackground(std::function<void()> work);

// Tests: while set, the hook is called on the window's thread as soon as each piece of
// work has started (to cancel it, or to start other work meanwhile).
using BackgroundTaskHook = std::function<void(JobControl& control)>;
void SetBackgroundTaskHook(BackgroundTaskHook hook);

// The progress text the dialog shows for `done` of `total` (total 0: not known).
QString ProgressText(std::uint64_t done, std::uint64_t total, const QString& unit);
