#include "core/replace_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/JobControl.h"

namespace fs = std::filesystem;

namespace {

// Pieces a cancellable write is cut into: small enough to stop quickly on a slow disk.
constexpr std::size_t kPieceBytes = std::size_t{1} << 20;

bool Fail(std::string* error, const std::string& what, int err)
{
    if (error)
        *error = what + ": " + std::strerror(err);
    return false;
}

mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

bool ReplacingFile::Open(const std::string& path, std::string* error)
{
    Discard();
    if (path.empty())
        return Fail(error, "(no file name)", ENOENT);

    // The name itself, not what a link there names: a link is replaced like a file.
    const fs::path target(path);
    mode_t mode = NewFileMode();
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return Fail(error, path, EISDIR);
        if (S_ISREG(st.st_mode))
            mode = st.st_mode & 07777;
        else if (!S_ISLNK(st.st_mode))
            return Fail(error, path, EINVAL); // a device or pipe cannot be replaced
    }

    fs::path dir = target.parent_path();
    if (dir.empty())
        dir = ".";
    std::string tmpl = (dir / ".brinewick-save-XXXXXX").string();
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return Fail(error, path, errno);
    m_fd = fd;
    m_writeError = 0;
    m_mode = mode;
    m_path = path;
    m_tmpName = name.data();
    return true;
}

bool ReplacingFile::Write(const char* data, std::size_t size)
{
    if (m_fd < 0)
        return false;
    while (size > 0 && m_writeError == 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0) {
            if (errno != EINTR)
                m_writeError = errno;
            continue;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return m_writeError == 0;
}

bool ReplacingFile::Commit(std::string* error)
{
    if (m_fd < 0)
        return Fail(error, m_path, EBADF);
    int err = m_writeError;
    if (err == 0 && (::fchmod(m_fd, static_cast<mode_t>(m_mode)) != 0 || ::fsync(m_fd) != 0))
        err = errno;
    if (::close(m_fd) != 0 && err == 0)
        err = errno;
    m_fd = -1;
    if (err == 0 && ::rename(m_tmpName.c_str(), m_path.c_str()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(m_tmpName.c_str());
        m_tmpName.clear();
        return Fail(error, m_path, err);
    }
    m_tmpName.clear();
    return true;
}

void ReplacingFile::Discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tmpName.empty()) {
        ::unlink(m_tmpName.c_str());
        m_tmpName.clear();
    }
}

bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string* error, JobControl* job)
{
    ReplacingFile file;
    if (!file.Open(path, error))
        return false;
    for (std::size_t at = 0; at < bytes.size();) {
        if (job && job->Cancelled()) {
            if (error)
                *error = "cancelled";
            return false; // the file's destructor removes the temporary
        }
        const std::size_t n = job ? std::min(kPieceBytes, bytes.size() - at) : bytes.size();
        if (!file.Write(bytes.data() + at, n))
            break; // Commit reports the reason
        at += n;
    }
    if (job && job->Cancelled()) {
        if (error)
            *error = "cancelled";
        return false;
    }
    return file.Commit(error);
}

std::string OutputClash(const std::string& target, const std::vector<std::string>& inputs)
{
    struct stat out {};
    if (target.empty() || ::stat(target.c_str(), &out) != 0)
        return {}; // nothing there yet (or a dangling link, which is replaced)
    for (const std::string& input : inputs) {
        struct stat in {};
        if (!input.empty() && ::stat(input.c_str(), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino)
            return target == input ? target + " is the input file; not writing over it"
                                   : target + " is the same file as the input " + input + "; not writing over it";
    }
    return {};
}
