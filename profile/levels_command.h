#pragma once
// `brinewick --levels FILE [--profile N] [--adjusted|--best] [--good] [--params A,B]`:
// the level list of one profile as tab-separated text.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "profile/chosen_values.h"

class FileReader;

// What the command line asks of --levels.
struct LevelsRequest {
    std::string file;
    std::optional<std::string> profile; // a profile number; none: 0
    ValueChoice choice = ValueChoice::Raw;
    bool goodOnly = false;
    std::vector<std::string> params; // more level parameters (DOXY, CHLA)
};

// Returns the exit status (0, 1 for a file that cannot be used or ADJUSTED values it
// lacks, 2 for a profile the file does not have).
int run_levels_command(const LevelsRequest& request, std::FILE* out, std::FILE* err, FileReader& reader);

// The shortest text that reads back to the same float ("1024.07"), empty when missing.
std::string ShortestFloatText(double value);

// The header line and one line per level of `shown`, each ending in "\n"; each of
// `params` adds a column of its values and one of its flags.
std::string FormatLevelLines(const std::vector<ShownLevel>& shown, const std::vector<std::string>& params = {});
