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
#include "core/child_process.h"
#include "display/PlotCommand.h"
#include "gdac/SearchMapCommand.h"
#include "gdac/gdac_command.h"
#include "overview/OverviewCommand.h"
#include "profile/csv_command.h"
#include "profile/levels_command.h"
#include "reader/isolated_reader.h"
#include "reader/reader_service.h"
#include "reader/reader_table.h"

namespace {

const char kUsage[] =
    "Usage:\n"
    "  brinewick [FILE]                 open FILE (or nothing) in the window\n"
    "  brinewick --dump FILE [--lf] [--limit BYTES]\n"
    "                                   write FILE as CDL text (CR LF; --lf: plain LF; --limit:\n"
    "                                   at most BYTES of text for one variable)\n"
    "  brinewick --csv FILE [--items A,B] [--columns C,D] [--profile N|all] [--blank-fill] [-o OUT]\n"
    "                                   write chosen variables of a profile as CSV\n"
    "  brinewick --plot FILE -o OUT.png [--adjusted] [--vertical pressure|density|temperature]\n"
    "                                   [--curves T,S,D,NAME] [--profile N|all]   draw the profile graph\n"
    "                                   [--good] [--best] [--fit] [--ts] [--density sigma-t|sigma-theta]\n"
    "                                   (OUT.svg or OUT.pdf: SVG or PDF)\n"
    "  brinewick --levels FILE [--profile N] [--adjusted|--best] [--good] [--params NAME,NAME]\n"
    "                                   print the level list as tab-separated text\n"
    "  brinewick --map FILE -o OUT.png|svg|pdf   draw the float's track over the coastline\n"
    "  brinewick --section FILE --var NAME -o OUT.png|svg|pdf [--best] [--good] [--range MIN,MAX]\n"
    "                                   draw the float's section of one variable against time and pressure\n"
    "  brinewick --print FILE [-o OUT.pdf]  print FILE's text (a PDF file with -o or without a printer)\n"
    "  brinewick --search [--gdac URL] [--index core|synthetic|bio] [--wmo N[,N...]]\n"
    "                   [--box LATMIN,LATMAX,LONMIN,LONMAX] [--from YYYY-MM-DD] [--to YYYY-MM-DD]\n"
    "                   [--dac NAME] [--cacert FILE] [--no-cache] [--map -o OUT.png|svg|pdf]\n"
    "                                   print the GDAC index lines that match (count on stderr);\n"
    "                                   --map: draw them on the world map instead\n"
    "  brinewick --fetch PATH... [--gdac URL] [-o DIR] [--cacert FILE]\n"
    "                                   fetch dac/PATH files (as in the index) into DIR\n"
    "  brinewick --fetch-float WMO [--gdac URL] [-o DIR] [--cacert FILE] [--dac NAME]\n"
    "                                   fetch the float's WMO_prof.nc and WMO_Sprof.nc into DIR\n"
    "  brinewick --help | --version\n";

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
        if (first == "--reader") {
            // The hidden helper mode: serves the readings of the window or a command.
            unsigned long cpu = 0;
            if (rest.size() == 1)
                cpu = std::strtoul(rest[0].c_str(), nullptr, 10);
            return serve_reader(AllReaders(), cpu);
        }
        if (first == "--dump")
            return run_dump_command(rest, stdout, stderr, &CommandReader());
        if (first == "--csv")
            return run_csv_command(rest, stdout, stderr, CommandReader());
        if (first == "--levels")
            return run_levels_command(rest, stdout, stderr, CommandReader());
        if (first == "--search")
            return run_search_command(rest, stdout, stderr, SearchMapFileWriter(argc, argv));
        if (first == "--fetch")
            return run_fetch_command(rest, stdout, stderr);
        if (first == "--fetch-float")
            return run_fetch_float_command(rest, stdout, stderr);
        if (first == "--plot")
            return RunPlotCommand(argc, argv, rest, CommandReader());
        if (first == "--map")
            return RunMapCommand(argc, argv, rest, CommandReader());
        if (first == "--section")
            return RunSectionCommand(argc, argv, rest, CommandReader());
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
