#pragma once
// Temporary folders for tests: removed with everything in them when they go.
#include <filesystem>
#include <string>

// A fresh folder under the system's temporary directory, made with mkdtemp so that
// concurrent test programs never share one.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // The path of `name` inside the folder (the file itself is not made).
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// One folder for the whole test program, for helpers that hand out paths without an
// owner to keep a TempDir; removed when the program exits.
TempDir& SharedTempDir();
