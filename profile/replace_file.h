#pragma once
// Saving a whole file so that a failed save never leaves half a file behind.
#include <string>

// Writes `bytes` to a temporary file beside `path` and renames it over `path` once
// every byte is on disk. An existing target keeps its permissions; a symbolic link is
// followed so the file it names is replaced. On failure nothing at `path` changes,
// the temporary file is removed, and `error` (when given) says why.
bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string* error);
