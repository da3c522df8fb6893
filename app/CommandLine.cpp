#include "app/CommandLine.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <netcdf.h>

#include "app/BrinewickApp.h"
#include "app/BrinewickDoc.h"
#include "app/PrintCommand.h"
#include "cdl/dump_command.h"
#include "cdl/render_child.h"
#include "core/child_process.h"
#include "core/helper_read.h"
#include "display/helper_reads.h"
#include "overview/helper_reads.h"
#include "profile/helper_reads.h"
#include "profile/profile_shape.h"
#include "display/PlotCommand.h"
#include "gdac/gdac_command.h"
#include "overview/OverviewCommand.h"
#include "profile/csv_child.h"
#include "profile/csv_command.h"
#include "profile/levels_command.h"

namespace {

const char kUsage[] =
    "Usage:\n"
    "  brinewick [FILE]                 open FILE (or nothing) in the window\n"
    "  brinewick --dump FILE [--lf]     write FILE as CDL text (CR LF; --lf: plain LF)\n"
    "  brinewick --csv FILE [--items A,B] [--columns C,D] [--profile N|all] [-o OUT]\n"
    "                                   write chosen variables of a profile as CSV\n"
    "  brinewick --plot FILE -o OUT.png [--adjusted] [--vertical pressure|density|temperature]\n"
    "                                   [--curves T,S,D] [--profile N|all]   draw the profile graph\n"
    "                                   [--good] [--best] [--fit] [--ts] [--density sigma-t|sigma-theta]\n"
    "                                   (OUT.svg or OUT.pdf: SVG or PDF)\n"
    "  brinewick --levels FILE [--profile N] [--adjusted|--best]\n"
    "                                   print the level list as tab-separated text\n"
    "  brinewick --map FILE -o OUT.png|svg|pdf   draw the float's track over the coastline\n"
    "  brinewick --section FILE --var NAME -o OUT.png|svg|pdf [--best] [--good] [--range MIN,MAX]\n"
    "                                   draw the float's section of one variable against time and pressure\n"
    "  brinewick --print FILE [-o OUT.pdf]  print FILE's text (a PDF file with -o or without a printer)\n"
    "  brinewick --search [--gdac URL] [--index core|synthetic|bio] [--wmo N[,N...]]\n"
    "                   [--box LATMIN,LATMAX,LONMIN,LONMAX] [--from YYYY-MM-DD] [--to YYYY-MM-DD]\n"
    "                   [--dac NAME] [--cacert FILE] [--no-cache]\n"
    "                                   print the GDAC index lines that match (count on stderr)\n"
    "  brinewick --fetch PATH... [--gdac URL] [-o DIR] [--cacert FILE]\n"
    "                                   fetch dac/PATH files (as in the index) into DIR\n"
    "  brinewick --help | --version\n";

// The program itself, run again as the helper that reads a file.
std::string ThisProgram()
{
    return "/proc/self/exe";
}

// A test can make a helper die by a signal (BRINEWICK_TEST_CHILD_SIGNAL) to check that
// the caller lives on and reports it.
void RaiseTestSignal()
{
    if (const char* sig = std::getenv("BRINEWICK_TEST_CHILD_SIGNAL")) {
        // The default action, as a crash in a library has it (not a sanitizer's report).
        std::signal(std::atoi(sig), SIG_DFL);
        std::raise(std::atoi(sig));
    }
}

// The hidden helper mode: renders one file to standard output as frames.
int ServeRenderChild(const std::string& path, const std::string& limit)
{
    CdlOptions options;
    if (!limit.empty())
        options.variable_text_limit = std::strtoull(limit.c_str(), nullptr, 10);
    RaiseTestSignal();
    return serve_render_child(
        path, [&path] { return to_wire(ReadProfileToolsInfo(path)); }, options);
}

// --csv, --plot and --print read the file with the netCDF library, which can crash on a
// damaged file. They run as a helper of this process, which reports a helper that dies
// by a signal and exits with 1. The helper writes the output itself, as the command
// would.
int RunSupervised(int argc, char** argv)
{
    if (std::getenv("BRINEWICK_SUPERVISED")) {
        RaiseTestSignal();
        return -1; // this is the helper: run the command here
    }
    setenv("BRINEWICK_SUPERVISED", "1", 1);
    const std::vector<std::string> args(argv + 1, argv + argc);
    ChildLimits limits = default_render_limits();
    const ChildResult child = run_child(ThisProgram(), args, limits, nullptr, {});
    if (child.started && child.signal == 0)
        return child.exit_code;
    std::string file;
    for (std::size_t i = 1; i < args.size() && file.empty(); ++i) {
        const bool option = !args[i].empty() && args[i][0] == '-';
        const bool afterOption = i > 1 && !args[i - 1].empty() && args[i - 1][0] == '-';
        if (!args[i].empty() && !option && !afterOption)
            file = args[i];
    }
    std::fprintf(stderr, "brinewick: %s%sthe netCDF library stopped on this file: %s\n", file.c_str(),
                 file.empty() ? "" : ": ", describe_child_end(child).c_str());
    return 1;
}

} // namespace

int RunBrinewick(int argc, char** argv)
{
    if (argc >= 2) {
        std::string first = argv[1];
        std::vector<std::string> rest(argv + 2, argv + argc);
        if (first == "--help" || first == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (first == "--version") {
            std::printf("Brinewick Version 1.0\nnetCDF library %s\n", nc_inq_libvers());
            return 0;
        }
        if (first == "--dump")
            return run_dump_command(rest, stdout, stderr, ThisProgram());
        if (first == "--render-child" && (rest.size() == 1 || (rest.size() == 3 && rest[1] == "--text-limit")))
            return ServeRenderChild(rest[0], rest.size() == 3 ? rest[2] : std::string());
        if (first == "--read-child") {
            RaiseTestSignal();
            return serve_read_child(rest, {ServeProfileRead, ServeDisplayRead, ServeOverviewRead});
        }
        if (first == "--csv-child") {
            RaiseTestSignal();
            return serve_csv_child(rest);
        }
        if (first == "--csv" || first == "--plot" || first == "--print" || first == "--levels") {
            if (const int status = RunSupervised(argc, argv); status >= 0)
                return status;
        }
        if (first == "--map" || first == "--section") {
            if (const int status = RunSupervised(argc, argv); status >= 0)
                return status;
        }
        if (first == "--csv")
            return run_csv_command(rest, stdout, stderr);
        if (first == "--levels")
            return run_levels_command(rest, stdout, stderr);
        if (first == "--search")
            return run_search_command(rest, stdout, stderr);
        if (first == "--fetch")
            return run_fetch_command(rest, stdout, stderr);
        if (first == "--plot")
            return RunPlotCommand(argc, argv, rest);
        if (first == "--map")
            return RunMapCommand(argc, argv, rest);
        if (first == "--section")
            return RunSectionCommand(argc, argv, rest);
        if (first == "--print") {
            CBrinewickDoc::SetReaderProgram(ThisProgram());
            return RunPrintCommand(argc, argv, rest);
        }
        if (first.size() > 1 && first[0] == '-' && first != "--") {
            std::fprintf(stderr, "brinewick: unknown option %s\n%s", first.c_str(), kUsage);
            return 2;
        }
    }
    CBrinewickDoc::SetReaderProgram(ThisProgram());
    return RunGui(argc, argv);
}
