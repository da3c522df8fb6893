#pragma once
// `brinewick --search ...` and `brinewick --fetch ...`: the GDAC's index search and
// file fetches from the command line.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "gdac/GdacIndex.h"
#include "gdac/GdacRoot.h"

// What the command line asks of --search.
struct SearchRequest {
    std::string gdac = DefaultGdacUrl();
    std::string cacert; // a private certificate authority, or ""
    GdacIndexKind kind = GdacIndexKind::Core;
    IndexQuery query;
    bool noCache = false;
};

// What the command line asks of --fetch: PATHs as in the index (safe relative paths).
struct FetchRequest {
    std::string gdac = DefaultGdacUrl();
    std::string cacert;
    std::string dir = ".";
    std::vector<std::string> paths;
    std::uint64_t maxFileBytes = 0; // 0: the client's default
};

// Prints the index's column line and the matching lines as they stand, in index
// order, to `out`, and their count to `err`. Returns 0 (also when nothing matches), 1
// when the index could not be had, 2 when the GDAC URL is unusable.
int run_search_command(const SearchRequest& request, std::FILE* out, std::FILE* err);

// Fetches dac/PATH for every PATH into the output folder under the file's own name,
// printing each local path. Returns 0 when all arrived, 1 when any failed (that file
// is left as it was), 2 when the GDAC URL is unusable or two PATHs share a name.
int run_fetch_command(const FetchRequest& request, std::FILE* out, std::FILE* err);
