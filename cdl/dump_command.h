#pragma once
// `brinewick --dump FILE [--lf]`: writes the CDL text of FILE to `out`.
#include <cstdio>
#include <string>
#include <vector>

// args are the words after "--dump". Returns the exit status: 0 on success, 1 when
// the rendering logged errors (the log goes to `err`), 2 on a usage error.
int run_dump_command(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);
