#include "app/PrintCommand.h"

#include <cstdio>

int RunPrintCommand(int, char**, const std::vector<std::string>&)
{
    std::fputs("brinewick: --print is not available yet\n", stderr);
    return 2;
}
