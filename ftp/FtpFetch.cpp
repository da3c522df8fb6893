#include "ftp/FtpFetch.h"

#include "core/JobControl.h"
#include "core/replace_file.h"

FtpStatus FetchToFile(FtpClient& client, const std::string& remoteName, const std::string& localPath, JobControl* job)
{
    ReplacingFile file;
    std::string error;
    if (!file.Open(localPath, &error))
        return {FtpErrorKind::LocalFile, error};
    FtpStatus status = client.Get(
        remoteName, [&](const char* data, std::size_t size) { return file.Write(data, size); }, {}, job);
    if (!status)
        return status; // the temporary file goes with `file`
    if (job && job->Cancelled())
        return {FtpErrorKind::Cancelled, "cancelled"};
    if (!file.Commit(&error))
        return {FtpErrorKind::LocalFile, error};
    return {};
}
