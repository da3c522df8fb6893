#pragma once
// `brinewick --dump FILE [--lf] [--limit BYTES]`: writes the CDL text of FILE to `out`,
// every variable in full unless --limit caps the text of one variable.
#include <cstdio>
#include <string>
#include <vector>

class FileReader;

// args are the words after "--dump". Returns the exit status: 0 on success, 1 when
// the rendering logged errors (the log goes to `err`), 2 on a usage error.
// With a `reader` (the command line's isolated one), the file is read through it, so
// that a crash of the netCDF library on a bad file is reported and exits with 1;
// without, in this process.
int run_dump_command(const std::vector<std::string>& args, std::FILE* out, std::FILE* err,
                     FileReader* reader = nullptr);
