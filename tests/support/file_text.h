#pragma once
// Reading files whole and comparing texts regardless of their line ends.
#include <filesystem>
#include <string>

// The file's bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::filesystem::path& path);

// CR LF to LF, for comparing with texts written with plain line feeds.
std::string lf(const std::string& text);
