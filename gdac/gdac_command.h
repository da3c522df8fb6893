#pragma once
// `brinewick --search ...` and `brinewick --fetch ...`: the GDAC's index search and
// file fetches from the command line.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

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

// args are the words after "--search". Prints the index's column line and the matching
// lines as they stand, in index order, to `out`, and their count to `err`. With
// "--map -o OUT.png|svg|pdf" it hands the matches to `writeMap` instead (none given:
// a usage error). Returns 0 (also when nothing matches), 1 when the index could not
// be had or the map not written, 2 on a usage error.
int run_search_command(const std::vector<std::string>& args, std::FILE* out, std::FILE* err,
                       const SearchMapWriter& writeMap = {});

// args are the words after "--fetch". Fetches dac/PATH for every PATH into the output
// folder under the file's own name, printing each local path (and on `err` each file
// that replaced one there). Returns 0 when all arrived, 1 when any failed (that file is
// left as it was), 2 on a usage error.
int run_fetch_command(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

// args are the words after "--fetch-float": WMO [--gdac URL] [--cacert FILE] [-o DIR]
// [--dac NAME]. Finds the float's DAC in the core index (unless --dac names it), then
// fetches the whole-float files its folder lists (WMO_prof.nc, WMO_Sprof.nc) as --fetch
// does. Returns as run_fetch_command; 1 also when the float or its files are not found.
int run_fetch_float_command(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);
