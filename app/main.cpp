#include <malloc.h>

#include "app/CommandLine.h"

int main(int argc, char** argv)
{
    // Large blocks (the pieces of a CDL text, the shown text) come straight from the
    // system and go back to it when freed, so the peak memory of a rendering stays
    // close to the size of its text.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    return RunBrinewick(argc, argv);
}
