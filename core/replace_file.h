#pragma once
// Saving a whole file so that a failed or cancelled save never leaves half a file behind.
#include <cstddef>
#include <string>

class JobControl;

// A file written through a temporary file beside its target, which replaces the target
// only on Commit, once every byte is on disk. An existing target keeps its permissions;
// a symbolic link is followed so the file it names is replaced. Until Commit succeeds
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

private:
    int m_fd = -1;
    int m_writeError = 0;
    unsigned m_mode = 0;
    std::string m_path;     // the file replaced (a link's target)
    std::string m_reported; // the name given, for messages
    std::string m_tmpName;
};

// Writes `bytes` through a ReplacingFile. With `job`, writes in pieces and stops at a
// cancel (the job's count is the caller's): then it returns false with error "cancelled".
// On failure nothing at `path` changes, the temporary file is removed, and `error`
// (when given) says why.
bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string* error,
                        JobControl* job = nullptr);
