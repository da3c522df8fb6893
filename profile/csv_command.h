#pragma once
// `brinewick --csv FILE --items A,B --columns C,D [-o OUT]`.
#include <cstdio>
#include <string>
#include <vector>

class FileReader;

// args are the words after "--csv". Returns the exit status (0, 1 for a file that
// cannot be used, 2 for a usage error).
int run_csv_command(const std::vector<std::string>& args, std::FILE* out, std::FILE* err, FileReader& reader);
