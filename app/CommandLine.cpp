#include "app/CommandLine.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/BrinewickApp.h"
#include "app/BrinewickDoc.h"
#include "app/CommandTable.h"
#include "reader/isolated_reader.h"
#include "reader/reader_service.h"
#include "reader/reader_table.h"

namespace {

// The program itself, run again as the helper that reads files.
std::string ThisProgram()
{
    return "/proc/self/exe";
}

// The command line reads through a helper process as the window does, so that a
// netCDF library that crashes on a bad file is reported (exit 1) instead of taking
// the command down; the command itself writes its output.
IsolatedReader& CommandReader()
{
    static IsolatedReader reader(ThisProgram(), default_render_limits());
    return reader;
}

} // namespace

int RunBrinewick(int argc, char** argv)
{
    std::vector<std::string> words(argv + std::min(argc, 1), argv + argc);
    if (!words.empty() && words.front() == "--reader") {
        // The hidden helper mode: serves the readings of the window or a command.
        unsigned long cpu = 0;
        if (words.size() == 2)
            cpu = std::strtoul(words[1].c_str(), nullptr, 10);
        return serve_reader(AllReaders(), cpu);
    }
    CBrinewickDoc::SetReaderProgram(ThisProgram());
    const CommandLineOutcome outcome = RunCommandLine(words, stdout, stderr, CommandReader(), true);
    if (!outcome.window)
        return outcome.status;
    return RunGui(argc, argv, outcome.file);
}
