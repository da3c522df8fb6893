// Everything the window reads of one file, through the reading helper the window
// starts: the header, the text, then, where the file offers them, the profile chooser's list, the
// graph's levels, flags and titles, the profile table, the CSV export's variables and
// file, and the float overview's track and section. Run by bench/sanitizer_run.py
// --window on mutated files; not a test.
//
//   bench_window_reads HELPER FILE OUTDIR
//
// Prints a line for each reading with the processor time the helper spent on it ("reading
// NAME SECONDS"), and one for each reading that a helper did not survive ("stopped: MESSAGE");
// exits 0 whatever the file holds: a dead helper is an answer, a dead driver is not.
#include <algorithm>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <vector>

#include <fstream>
#include <sstream>
#include <unistd.h>

#include "BrinewickDoc.h"
#include "cdl/reads.h"
#include "display/reads.h"
#include "overview/reads.h"
#include "profile/reads.h"
#include "reader/isolated_reader.h"

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

IsolatedReader* g_reader = nullptr;

// Processor time of the helpers: those that have ended, and the one running.
double HelperSeconds()
{
    struct rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    double seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    if (const pid_t pid = g_reader ? g_reader->HelperPid() : 0) {
        std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
        std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // The fields after the command's closing parenthesis; utime and stime are the
        // 12th and 13th of them, in clock ticks.
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        std::string field;
        double ticks = 0;
        for (int i = 1; i <= 13 && fields >> field; ++i)
            if (i >= 12)
                ticks += std::stod(field);
        seconds += ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    return seconds;
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
    IsolatedReader reader(helper, default_render_limits());
    g_reader = &reader;

    const HeaderRead::Result header = Read<HeaderRead>(reader, {path});
    Report(header.outcome.log);
    Reading("header");
    const BuiltText text = CBrinewickDoc::BuildText(reader, path);
    Report(text.outcome.log);
    Reading("text");
    const ProfileToolsInfo info = ReadProfileToolsInfo(reader, path);
    Report(info.reason);
    Reading("tools-info");
    if (!info.offered)
        return 0;

    const ProfileSummaryList list = ReadProfileSummaries(reader, path);
    Report(list.message);
    Reading("summaries");
    std::vector<std::size_t> chosen;
    for (std::size_t p = 0; p < info.extent.profiles && p < 20; ++p)
        chosen.push_back(p);
    std::vector<CLevelArray> levels;
    Report(LoadProfileLevels(reader, path, info.extent, chosen, levels).message);
    Reading("levels");
    std::vector<ProfileFlags> flags;
    Report(LoadProfileFlags(reader, path, info.extent, chosen, flags).message);
    Reading("flags");
    GraphSettings settings;
    ReadAxisTitles(reader, path, settings);
    Reading("axis-titles");
    Report(ReadProfileTable(reader, path, 0).message);
    Reading("table");

    const CsvVariableList variables = ReadCsvVariables(reader, path);
    Report(variables.message);
    Reading("csv-variables");
    CsvSaveSettings csv;
    csv.ncPath = path;
    csv.outputPath = outdir + "/out.csv";
    for (const CsvVariable& v : variables.variables)
        (v.levelColumn ? csv.columns : csv.items).push_back(v.id);
    Report(WriteCsvFile(reader, csv).message);
    Reading("csv");

    if (info.extent.profiles > 1) {
        Report(ReadFloatTrack(reader, path).message);
        Reading("track");
        const std::vector<std::string> names = SectionVariables(reader, path);
        Reading("section-variables");
        Report(ReadSection(reader, path, names.empty() ? "TEMP" : names.front(), {true, true}).message);
        Reading("section");
    }
    return 0;
}
