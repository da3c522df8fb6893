#pragma once
// Fetches one remote file into a local path through a temporary file in the same
// folder, showing progress with a Cancel button while the transfer runs.
#include <QString>

#include <string>

class FtpClient;
class QWidget;

enum class FetchResult { Done, Failed, Cancelled };

// The target is replaced only when the whole file has arrived; a failed or cancelled
// fetch removes the temporary file and leaves an earlier file at localPath untouched.
// The progress dialog (parented to `parent`) appears when a fetch takes a while, and
// the event loop keeps running meanwhile so windows repaint. Call it under a wait
// cursor: while the progress dialog shows, the top override cursor is an arrow.
FetchResult FetchToFile(FtpClient& client, const std::string& remoteName, const QString& localPath,
                        QWidget* parent);
