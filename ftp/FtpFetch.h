#pragma once
// Fetches one remote file into a local path through a temporary file in the same folder.
#include <string>

#include "ftp/FtpClient.h"

class JobControl;

// Fetches `remoteName` from the client's current directory to `localPath`. The target
// is replaced only when the whole file has arrived and is on disk; a failed or
// cancelled fetch removes the temporary file and leaves an earlier file at localPath
// untouched. With `job`, the bytes received are counted there and a cancel stops the
// transfer (kind Cancelled). A local file that cannot be written is kind LocalFile.
FtpStatus FetchToFile(FtpClient& client, const std::string& remoteName, const std::string& localPath,
                      JobControl* job = nullptr);
