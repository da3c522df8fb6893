#pragma once
// `brinewick --dump FILE [--lf] [--limit BYTES]`: writes the CDL text of FILE to `out`,
// every variable in full unless --limit caps the text of one variable.
#include <cstdint>
#include <cstdio>
#include <string>

class FileReader;

// What the command line asks of --dump.
struct DumpRequest {
    std::string path;
    bool plainLineFeeds = false;  // "--lf": LF instead of CR LF
    std::size_t limit = SIZE_MAX; // "--limit": bytes of text for one variable
};

// Returns the exit status: 0 on success, 1 when the rendering logged errors (the log
// goes to `err`).
// With a `reader` (the command line's isolated one), the file is read through it, so
// that a crash of the netCDF library on a bad file is reported and exits with 1;
// without, in this process.
int run_dump_command(const DumpRequest& request, std::FILE* out, std::FILE* err, FileReader* reader = nullptr);
