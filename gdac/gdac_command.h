#pragma once
// `brinewick --search ...` and `brinewick --fetch ...`: the GDAC's index search and
// file fetches from the command line.
#include <cstdio>
#include <string>
#include <vector>

// args are the words after "--search". Prints the index's column line and the matching
// lines as they stand, in index order, to `out`, and their count to `err`. Returns 0
// (also when nothing matches), 1 when the index could not be had, 2 on a usage error.
int run_search_command(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

// args are the words after "--fetch". Fetches dac/PATH for every PATH into the output
// folder under the file's own name, printing each local path. Returns 0 when all
// arrived, 1 when any failed (that file is left as it was), 2 on a usage error.
int run_fetch_command(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);
