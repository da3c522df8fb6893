#include "profile/replace_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

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

bool WriteAll(int fd, const std::string& bytes)
{
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string* error)
{
    if (path.empty())
        return Fail(error, "(no file name)", ENOENT);

    fs::path target(path);
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (ec)
            return Fail(error, path, ec.value());
        target = resolved;
    }

    mode_t mode = NewFileMode();
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return Fail(error, path, EISDIR);
        if (!S_ISREG(st.st_mode))
            return Fail(error, path, EINVAL); // a device or pipe cannot be replaced
        mode = st.st_mode & 07777;
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
    const std::string tmpName(name.data());

    int err = 0;
    if (!WriteAll(fd, bytes) || ::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0 && ::rename(tmpName.c_str(), target.c_str()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(tmpName.c_str());
        return Fail(error, path, err);
    }
    return true;
}
