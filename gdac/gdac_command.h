#pragma once
// `brinewick --search ...` and `brinewick --fetch ...`: the GDAC's index search and
// file fetches from the command line.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "gdac/GdacIndex.h"
#include "gdac/GdacRoot.h"
#include "gdac/match_points.h"

// What `--search ... --map -o OUT` draws: one marker per match.
struct SearchMap {
    std::string output; // OUT.png, .svg or .pdf
    std::string title;  // the query and the count
    std::vector<MatchPoint> points;
    IndexQuery query;
};
// Writes the map; returns the exit status (0, or 1 when OUT could not be written).
using SearchMapWriter = std::function<int(const SearchMap& map)>;

// What the command line asks of --search.
struct SearchRequest {
    std::string gdac = DefaultGdacUrl();
    std::string cacert; // a private certificate authority, or ""
    GdacIndexKind kind = GdacIndexKind::Core;
    IndexQuery query;
    bool noCache = false;
    bool map = false;      // --map: the matches drawn on the world map
    std::string mapOutput; // its -o OUT.png|svg|pdf
};

// What the command line asks of --fetch: PATHs as in the index (safe relative paths).
struct FetchRequest {
    std::string gdac = DefaultGdacUrl();
    std::string cacert;
    std::string dir = ".";
    std::vector<std::string> paths;
    std::uint64_t maxFileBytes = 0; // 0: the client's default
};

// What the command line asks of --fetch-float.
struct FetchFloatRequest {
    std::string gdac = DefaultGdacUrl();
    std::string cacert;
    std::string dir = ".";
    std::string wmo;
    std::string dac; // the float's data centre; "": looked up in the core index
};

// Prints the index's column line and the matching lines as they stand, in index
// order, to `out`, and their count to `err`; with `map` it hands the matches to
// `writeMap` instead. Returns 0 (also when nothing matches), 1 when the index could
// not be had or the map not written, 2 when the GDAC URL is unusable or OUT clashes.
int run_search_command(const SearchRequest& request, std::FILE* out, std::FILE* err,
                       const SearchMapWriter& writeMap = {});

// Fetches dac/PATH for every PATH into the output folder under the file's own name,
// printing each local path (and on `err` each file that replaced one there). Returns 0
// when all arrived, 1 when any failed (that file is left as it was), 2 when the GDAC
// URL is unusable or two PATHs share a name.
int run_fetch_command(const FetchRequest& request, std::FILE* out, std::FILE* err);

// Finds the float's DAC in the core index (unless `dac` names it), then fetches the
// whole-float files its folder lists (WMO_prof.nc, WMO_Sprof.nc) as --fetch does.
// Returns as run_fetch_command; 1 also when the float or its files are not found.
int run_fetch_float_command(const FetchFloatRequest& request, std::FILE* out, std::FILE* err);
