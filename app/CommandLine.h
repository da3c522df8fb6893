#pragma once

// Runs the command line (CommandTable.h) or the window (with the file it names), or
// serves the readings of another process as its hidden helper. Returns the process
// exit status.
int RunBrinewick(int argc, char** argv);
