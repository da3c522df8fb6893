#pragma once
// The `--profile N|all` argument of the command line tools.
#include <cstddef>
#include <string>

struct ProfileArgument {
    bool ok = false;
    std::size_t index = 0;
    std::string message; // the usage error, naming the valid range, when !ok
};

// Parses a 0-based profile number of a file of `profiles` profiles ("all" is the
// caller's).
ProfileArgument ParseProfileArgument(const std::string& text, std::size_t profiles);

class FileReader;

// "profile 0 of 51 (cycle 1, ascending)" for profile `index` of the file at `path`,
// read through `reader`.
std::string DescribeChosenProfile(FileReader& reader, const std::string& path, std::size_t index);
