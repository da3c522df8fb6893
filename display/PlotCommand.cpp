#include "display/PlotCommand.h"

#include <cstdio>

int RunPlotCommand(int, char**, const std::vector<std::string>&)
{
    std::fputs("brinewick: --plot is not available yet\n", stderr);
    return 2;
}
