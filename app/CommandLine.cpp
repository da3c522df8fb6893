#include "app/CommandLine.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <netcdf.h>

#include "app/BrinewickApp.h"
#include "app/PrintCommand.h"
#include "cdl/dump_command.h"
#include "display/PlotCommand.h"
#include "profile/csv_command.h"

namespace {

const char kUsage[] =
    "Usage:\n"
    "  brinewick [FILE]                 open FILE (or nothing) in the window\n"
    "  brinewick --dump FILE [--lf]     write FILE as CDL text (CR LF; --lf: plain LF)\n"
    "  brinewick --csv FILE [--items A,B] [--columns C,D] [--profile N|all] [-o OUT]\n"
    "                                   write chosen variables of a profile as CSV\n"
    "  brinewick --plot FILE -o OUT.png [--adjusted] [--vertical pressure|density|temperature]\n"
    "                                   [--curves T,S,D] [--profile N|all]   draw the profile graph\n"
    "  brinewick --print FILE [-o OUT.pdf]  print FILE's text (a PDF file with -o or without a printer)\n"
    "  brinewick --help | --version\n";

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
            return run_dump_command(rest, stdout, stderr);
        if (first == "--csv")
            return run_csv_command(rest, stdout, stderr);
        if (first == "--plot")
            return RunPlotCommand(argc, argv, rest);
        if (first == "--print")
            return RunPrintCommand(argc, argv, rest);
        if (first.size() > 1 && first[0] == '-' && first != "--") {
            std::fprintf(stderr, "brinewick: unknown option %s\n%s", first.c_str(), kUsage);
            return 2;
        }
    }
    return RunGui(argc, argv);
}
