#include "core/replace_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
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

// Gives the unnamed file `fd` (made with O_TMPFILE in `dir`) a fresh name there, kept
// in `name`: the name the commit renames over the target. Returns 0 or the error.
int NameUnnamedFile(int fd, const std::string& dir, std::string& name)
{
    const std::string source = "/proc/self/fd/" + std::to_string(fd);
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
        const std::string candidate = (fs::path(dir) / (std::string(".brinewick-save-") + suffix)).string();
        if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            name = candidate;
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
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
    m_dir = dir.string();
    // A file with no name in the target's folder: a process killed while writing
    // (even by SIGKILL) leaves nothing behind. It gets a name only in Commit.
    int fd = ::open(m_dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    std::string tmpName;
    if (fd < 0) {
        // A file system without unnamed files: a named temporary, removed on failure.
        std::string tmpl = (dir / ".brinewick-save-XXXXXX").string();
        std::vector<char> name(tmpl.begin(), tmpl.end());
        name.push_back('\0');
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0)
            return Fail(error, path, errno);
        tmpName = name.data();
    }
    m_fd = fd;
    m_writeError = 0;
    m_mode = mode;
    m_path = path;
    m_tmpName = tmpName;
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
    if (err == 0 && m_tmpName.empty())
        err = NameUnnamedFile(m_fd, m_dir, m_tmpName);
    if (::close(m_fd) != 0 && err == 0)
        err = errno;
    m_fd = -1;
    if (err == 0 && ::rename(m_tmpName.c_str(), m_path.c_str()) != 0)
        err = errno;
    if (err != 0) {
        if (!m_tmpName.empty())
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
