#pragma once
// `brinewick --levels FILE [--profile N] [--adjusted|--best] [--good] [--params A,B]`:
// the level list of one profile as tab-separated text.
#include <cstdio>
#include <string>
#include <vector>

#include "profile/chosen_values.h"

class FileReader;

// args are the words after "--levels". Returns the exit status (0, 1 for a file that
// cannot be used or ADJUSTED values it lacks, 2 for a usage error).
int run_levels_command(const std::vector<std::string>& args, std::FILE* out, std::FILE* err, FileReader& reader);

// The shortest text that reads back to the same float ("1024.07"), empty when missing.
std::string ShortestFloatText(double value);

// The header line and one line per level of `shown`, each ending in "\n"; each of
// `params` adds a column of its values and one of its flags.
std::string FormatLevelLines(const std::vector<ShownLevel>& shown, const std::vector<std::string>& params = {});
