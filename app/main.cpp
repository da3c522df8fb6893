#include <malloc.h>

#include <csignal>

#include "app/CommandLine.h"

int main(int argc, char** argv)
{
    // Large blocks (the pieces of a CDL text, the shown text) come straight from the
    // system and go back to it when freed, so the peak memory of a rendering stays
    // close to the size of its text.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // A reader that closes the pipe early (`brinewick --levels F | head -1`) makes the
    // write fail with EPIPE, which the commands take as a quiet end, instead of killing
    // the process (and its helpers, which keep this setting) by SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    // Likewise a write past the file-size limit (ulimit -f) fails with EFBIG, which the
    // save file reports with the file's name, instead of killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
    return RunBrinewick(argc, argv);
}
