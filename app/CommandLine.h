#pragma once

// Dispatches the command line: --dump, --csv, --plot, --print, --search, --fetch, --help, --version,
// or the GUI (with an optional file to open). Returns the process exit status.
int RunBrinewick(int argc, char** argv);
