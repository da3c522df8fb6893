#include "app/BrinewickApp.h"

#include <cstdio>

int RunGui(int, char**)
{
    std::fputs("brinewick: the window is not available yet; use --dump FILE\n", stderr);
    return 2;
}
