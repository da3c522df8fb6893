#pragma once
// The command line of brinewick as one table of modes and options: the parsing, the
// text of `--help` and every usage error come from it.
#include <cstdio>
#include <string>
#include <vector>

class FileReader;

// What a command line asked for once it has been run.
struct CommandLineOutcome {
    bool window = false; // open the window, with `file` when one was named
    std::string file;
    int status = 0; // the exit status of a command that has run (2: a usage error)
};

// Parses `words` (the arguments after the program's name) and runs the command they
// name, reading files through `reader`; a usage error is written to `err` with the
// mode's synopsis and ends with status 2. The window itself is not opened here. With
// `quietToolkit` (the program's own run), a command that needs no window writes
// nothing of the toolkit's own on standard error.
CommandLineOutcome RunCommandLine(const std::vector<std::string>& words, std::FILE* out, std::FILE* err,
                                  FileReader& reader, bool quietToolkit = false);

// The text of `brinewick --help`: every mode with its synopsis and options.
std::string CommandLineHelp();
