#pragma once
// A command-line mode run in the test's process, through the program's one parser.
#include <cstdio>
#include <string>
#include <vector>

#include "app/CommandTable.h"
#include "reader/file_reader.h"

// Runs `mode` ("--plot") with `args` as the words after it; returns the exit status.
inline int RunMode(const char* mode, std::vector<std::string> args, FileReader& reader, std::FILE* out = stdout,
                   std::FILE* err = stderr)
{
    args.insert(args.begin(), mode);
    return RunCommandLine(args, out, err, reader).status;
}
