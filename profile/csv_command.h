#pragma once
// `brinewick --csv FILE [--items A,B] [--columns C,D] [--profile N|all] [--blank-fill] [-o OUT]`.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

class FileReader;

// What the command line asks of --csv (at least one of items and columns given;
// items not with --profile all).
struct CsvRequest {
    std::string file;
    std::vector<std::string> items, columns; // variable names
    std::optional<std::string> output;       // none: standard output
    std::optional<std::string> profile;      // a profile number or "all"; none: 0
    bool blankFill = false;
};

// Returns the exit status (0, 1 for a file that cannot be used, 2 for names or a
// profile the file does not have).
int run_csv_command(const CsvRequest& request, std::FILE* out, std::FILE* err, FileReader& reader);
