#pragma once
// The GDAC's profile index files and the search over them. A search reads the cached
// index once, front to back, and looks at no more of a line than its bounds need; a
// line becomes an object only when it matches.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class JobControl;

enum class GdacIndexKind { Core, Synthetic, Bio };

// "ar_index_global_prof.txt", "argo_synthetic-profile_index.txt", "argo_bio-profile_index.txt".
const char* IndexFileName(GdacIndexKind kind);
// "core", "synthetic", "bio" as the command line names them.
std::optional<GdacIndexKind> IndexKindByName(std::string_view name);

// What a search asks. Every bound given must hold; a row whose field for a bound is
// empty or unreadable never matches that bound.
struct IndexQuery {
    std::vector<std::string> wmos; // any of these WMO numbers (the folder after the DAC)
    std::string dac;               // the DAC (first folder of `file`), "" for any
    bool hasBox = false;
    double latMin = -90, latMax = 90;
    double lonWest = -180, lonEast = 180; // west > east crosses the 180° meridian
    std::uint64_t dateFrom = 0;           // YYYYMMDDHHMISS, 0: no lower bound
    std::uint64_t dateTo = 0;             // YYYYMMDDHHMISS, 0: no upper bound
};

// Parsing of the values a user types; each returns nothing when the text is not one.
std::optional<std::vector<std::string>> ParseWmoList(std::string_view text); // "N[,N...]"
// "LATMIN,LATMAX,LONMIN,LONMAX" into the query's box (LONMIN is the west bound).
bool ParseBox(std::string_view text, IndexQuery& query);
// "YYYY-MM-DD" as YYYYMMDD000000, or YYYYMMDD235959 with `endOfDay`.
std::optional<std::uint64_t> ParseDay(std::string_view text, bool endOfDay);
// One decimal number, the whole text (blanks around it allowed).
std::optional<double> ParseNumber(std::string_view text);

// Where the searched fields stand in a line, from the index's column line.
struct IndexColumns {
    int file = -1, date = -1, latitude = -1, longitude = -1;
    int count = 0;
};
// Reads the column line; nothing when it lacks file, date, latitude or longitude.
std::optional<IndexColumns> ParseColumnLine(std::string_view line);

// True when one index line (without its line end) matches.
bool MatchIndexLine(std::string_view line, const IndexColumns& columns, const IndexQuery& query);

struct IndexSearchResult {
    bool ok = false;
    bool cancelled = false;
    std::string error;
    std::string columnLine;  // the index's column line
    std::uint64_t lines = 0; // profile lines read
    std::uint64_t matches = 0;
};

// Searches a whole index text: comment lines, the column line, then one line per
// file (LF or CR LF). `onMatch` gets each matching line, without its line end, in
// index order; `onColumnLine`, when given, the column line before any of them. With
// `job`, the bytes read are counted there and a cancel stops it.
using IndexLineFn = std::function<void(std::string_view line)>;
IndexSearchResult SearchIndexText(std::string_view text, const IndexQuery& query, const IndexLineFn& onMatch,
                                  JobControl* job = nullptr, const IndexLineFn& onColumnLine = {});
// The same over a file, mapped into memory and read once.
IndexSearchResult SearchIndexFile(const std::string& path, const IndexQuery& query, const IndexLineFn& onMatch,
                                  JobControl* job = nullptr, const IndexLineFn& onColumnLine = {});

// The fields of one line, split at commas (the index quotes nothing).
std::vector<std::string_view> SplitIndexLine(std::string_view line);
