// Fetches files through the GDAC client alone (no Qt in the process), for the GDAC
// benchmark: `bench_gdac_fetch URL CAFILE DIR PATH...` fetches URL/dac/PATH into
// DIR and prints the seconds the fetch took inside the process.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "gdac/GdacClient.h"

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fputs("usage: bench_gdac_fetch URL CAFILE DIR PATH...\n", stderr);
        return 2;
    }
    auto root = ParseGdacRoot(argv[1], nullptr);
    if (!root)
        return 2;
    GdacOptions options;
    options.caFile = argv[2];
    std::vector<GdacFetchItem> items;
    for (int i = 4; i < argc; ++i) {
        const std::string path = argv[i];
        items.push_back({"dac/" + path, std::string(argv[3]) + "/" + std::string(LastPart(path)), -1, {}});
    }
    GdacClient client(*root, options);
    const auto start = std::chrono::steady_clock::now();
    const GdacStatus status = client.FetchFiles(items);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%.3f\n", took.count());
    if (!status)
        std::fprintf(stderr, "%s\n", status.message.c_str());
    return status ? 0 : 1;
}
