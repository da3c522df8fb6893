// Everything the window reads of one file, through the helper processes the window
// starts: the text, then, where the file offers them, the profile chooser's list, the
// graph's levels, flags and titles, the profile table, the CSV export's variables and
// file, and the float overview's track and section. Run by bench/sanitizer_run.py
// --window on mutated files; not a test.
//
//   bench_window_reads HELPER FILE OUTDIR
//
// Prints a line for each reading with the processor time of its helpers ("reading NAME
// SECONDS"), and one for each reading that a helper did not survive ("stopped: MESSAGE");
// exits 0 whatever the file holds: a dead helper is an answer, a dead driver is not.
#include <algorithm>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "BrinewickDoc.h"
#include "core/helper_read.h"
#include "display/helper_reads.h"
#include "overview/helper_reads.h"
#include "profile/csv_child.h"
#include "profile/helper_reads.h"

namespace {

// Prints the lines of `message` (a log may hold several) that say a helper stopped.
void Report(const std::string& message)
{
    std::size_t start = 0;
    while (start < message.size()) {
        const std::size_t end = std::min(message.find('\n', start), message.size());
        const std::string line = message.substr(start, end - start);
        if (line.find("the netCDF library stopped on this file") != std::string::npos)
            std::printf("stopped: %s\n", line.c_str());
        start = end + 1;
    }
}

// Processor time of the helpers that have ended so far.
double HelperSeconds()
{
    struct rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Prints the helpers' processor time since the last reading, as that of `name`.
void Reading(const char* name)
{
    static double last = 0;
    const double now = HelperSeconds();
    std::printf("reading %s %.3f\n", name, now - last);
    last = now;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_window_reads HELPER FILE OUTDIR\n");
        return 2;
    }
    const std::string helper = argv[1], path = argv[2], outdir = argv[3];
    CBrinewickDoc::SetReaderProgram(helper);

    const BuiltText text = CBrinewickDoc::BuildText(path);
    Report(text.outcome.log);
    Reading("text");
    const ProfileToolsInfo info = ReadProfileToolsInfo(path);
    Report(info.reason);
    Reading("tools-info");
    if (!info.offered)
        return 0;

    const ProfileSummaryList list = ReadProfileSummaries(path);
    Report(list.message);
    Reading("summaries");
    std::vector<std::size_t> chosen;
    for (std::size_t p = 0; p < info.extent.profiles && p < 20; ++p)
        chosen.push_back(p);
    std::vector<CLevelArray> levels;
    Report(LoadProfileLevels(path, info.extent, chosen, levels).message);
    Reading("levels");
    std::vector<ProfileFlags> flags;
    Report(LoadProfileFlags(path, info.extent, chosen, flags).message);
    Reading("flags");
    GraphSettings settings;
    ReadAxisTitles(path, settings);
    Reading("axis-titles");
    Report(ReadProfileTable(path, 0).message);
    Reading("table");

    const CsvVariableList variables = ReadCsvVariables(path);
    Report(variables.message);
    Reading("csv-variables");
    CsvSaveSettings csv;
    csv.ncPath = path;
    csv.outputPath = outdir + "/out.csv";
    for (const CsvVariable& v : variables.variables)
        (v.levelColumn ? csv.columns : csv.items).push_back(v.id);
    Report(write_csv_isolated(helper, csv, nullptr).message);
    Reading("csv");

    if (info.extent.profiles > 1) {
        Report(ReadFloatTrack(path).message);
        Reading("track");
        const std::vector<std::string> names = SectionVariables(path);
        Reading("section-variables");
        Report(ReadSection(path, names.empty() ? "TEMP" : names.front(), {true, true}).message);
        Reading("section");
    }
    return 0;
}
