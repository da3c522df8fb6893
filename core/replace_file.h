#pragma once
// Saving a whole file so that a failed or cancelled save never leaves half a file behind.
#include <cstddef>
#include <string>
#include <vector>

class JobControl;

// A file written through a temporary file beside its target, which replaces the target
// only on Commit, once every byte is on disk. The temporary file has no name until
// Commit (O_TMPFILE, where the file system has it), so that a process killed while
// writing, whatever the signal, leaves no file behind. An existing target keeps its permissions;
// a symbolic link at the target is itself replaced, never followed, so the file it
// names is left alone (and a link cannot steer the write elsewhere). Until Commit succeeds
// nothing at the target changes, and a file that is not committed (Discard, a failed
// write or commit, destruction) removes its temporary file.
class ReplacingFile {
public:
    ReplacingFile() = default;
    ~ReplacingFile() { Discard(); }
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the temporary file for `path`; false, with the reason in `error`, when the
    // target cannot be replaced (a folder, a device, a folder that is missing or closed).
    bool Open(const std::string& path, std::string* error);
    // Appends bytes; false when the disk refused them (the reason is kept for Commit).
    bool Write(const char* data, std::size_t size);
    // Puts the file in place of the target; false, with the reason, when it could not.
    bool Commit(std::string* error);
    // Drops what was written; the target stays as it was.
    void Discard();

    bool IsOpen() const { return m_fd >= 0; }
    // The name given to Open, and the system's error of the first refused write (0: none).
    const std::string& Path() const { return m_path; }
    int WriteError() const { return m_writeError; }

private:
    int m_fd = -1;
    int m_writeError = 0;
    unsigned m_mode = 0;
    std::string m_path;    // the name given: the file (or link) replaced
    std::string m_dir;     // the folder of the target, where the temporary file sits
    std::string m_tmpName; // empty while the temporary file has no name (O_TMPFILE)
};

// Writes `bytes` through a ReplacingFile. With `job`, writes in pieces and stops at a
// cancel (the job's count is the caller's): then it returns false with error "cancelled".
// On failure nothing at `path` changes, the temporary file is removed, and `error`
// (when given) says why.
bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string* error,
                        JobControl* job = nullptr);

// Why `target` must not be written while `inputs` are read: it is one of them, or it
// resolves to one (the same device and inode, through symbolic or hard links). The
// text names both files; empty when the target may be written.
std::string OutputClash(const std::string& target, const std::vector<std::string>& inputs);
