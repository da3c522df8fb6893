#include "gdac/gdac_command.h"

#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "gdac/GdacClient.h"

namespace {

const char kSearchUsage[] =
    "Usage: brinewick --search [--gdac URL] [--cacert FILE] [--no-cache] [--index core|synthetic|bio]\n"
    "                          [--wmo N[,N...]] [--box LATMIN,LATMAX,LONMIN,LONMAX]\n"
    "                          [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--dac NAME]\n";
const char kFetchUsage[] = "Usage: brinewick --fetch PATH... [--gdac URL] [--cacert FILE] [-o DIR]\n";

// The options both commands share, and the words that are not options.
struct Common {
    std::string gdac = DefaultGdacUrl();
    std::string cacert;
    std::vector<std::string> words;
};

int Usage(std::FILE* err, const char* usage, const std::string& problem)
{
    std::fprintf(err, "brinewick: %s\n%s", problem.c_str(), usage);
    return 2;
}

std::optional<GdacRoot> RootOf(const Common& common, std::FILE* err)
{
    std::string error;
    auto root = ParseGdacRoot(common.gdac, &error);
    if (!root)
        std::fprintf(err, "brinewick: --gdac %s: %s\n", common.gdac.c_str(), error.c_str());
    return root;
}

} // namespace

int run_search_command(const std::vector<std::string>& args, std::FILE* out, std::FILE* err)
{
    Common common;
    IndexQuery query;
    GdacIndexKind kind = GdacIndexKind::Core;
    bool noCache = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--no-cache") {
            noCache = true;
            continue;
        }
        const bool takesValue = a == "--gdac" || a == "--cacert" || a == "--index" || a == "--wmo" || a == "--box" ||
                                a == "--from" || a == "--to" || a == "--dac";
        if (!takesValue)
            return Usage(err, kSearchUsage, "unknown word for --search: " + a);
        if (i + 1 >= args.size())
            return Usage(err, kSearchUsage, a + " needs a value");
        const std::string& v = args[++i];
        if (a == "--gdac")
            common.gdac = v;
        else if (a == "--cacert")
            common.cacert = v;
        else if (a == "--index") {
            auto k = IndexKindByName(v);
            if (!k)
                return Usage(err, kSearchUsage, "--index takes core, synthetic or bio");
            kind = *k;
        } else if (a == "--wmo") {
            auto wmos = ParseWmoList(v);
            if (!wmos)
                return Usage(err, kSearchUsage, "--wmo takes WMO numbers separated by commas");
            query.wmos.insert(query.wmos.end(), wmos->begin(), wmos->end());
        } else if (a == "--box") {
            if (!ParseBox(v, query))
                return Usage(err, kSearchUsage,
                             "--box takes LATMIN,LATMAX,LONMIN,LONMAX in degrees (LATMIN <= LATMAX)");
        } else if (a == "--from" || a == "--to") {
            auto day = ParseDay(v, a == "--to");
            if (!day)
                return Usage(err, kSearchUsage, a + " takes a date YYYY-MM-DD");
            (a == "--from" ? query.dateFrom : query.dateTo) = *day;
        } else if (a == "--dac") {
            if (v.empty() || v.find_first_of("/,") != std::string::npos)
                return Usage(err, kSearchUsage, "--dac takes the name of a DAC");
            query.dac = v;
        }
    }
    auto root = RootOf(common, err);
    if (!root)
        return 2;
    GdacOptions options;
    options.caFile = common.cacert;
    GdacClient client(*root, options);
    std::string cached;
    const GdacStatus status = client.UpdateIndex(kind, noCache, cached);
    if (!status) {
        std::fprintf(err, "brinewick: could not get %s from %s: %s\n", IndexFileName(kind), root->url.c_str(),
                     status.message.c_str());
        return 1;
    }
    bool writeFailed = false;
    auto write = [&](std::string_view line) {
        if (std::fwrite(line.data(), 1, line.size(), out) != line.size() || std::fputc('\n', out) == EOF)
            writeFailed = true;
    };
    if (!client.IndexNote().empty())
        std::fprintf(err, "brinewick: %s\n", client.IndexNote().c_str());
    const IndexSearchResult result = SearchIndexFile(cached, query, write, nullptr, write);
    if (!result.ok) {
        std::fprintf(err, "brinewick: %s: %s\n", cached.c_str(), result.error.c_str());
        return 1;
    }
    if (writeFailed || std::fflush(out) != 0) {
        std::fputs("brinewick: could not write the result to standard output\n", err);
        return 1;
    }
    std::fprintf(err, "%llu matching profile files\n", static_cast<unsigned long long>(result.matches));
    return 0;
}

int run_fetch_command(const std::vector<std::string>& args, std::FILE* out, std::FILE* err)
{
    Common common;
    std::string dir = ".";
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--gdac" || a == "--cacert" || a == "-o") {
            if (i + 1 >= args.size())
                return Usage(err, kFetchUsage, a + " needs a value");
            const std::string& v = args[++i];
            (a == "--gdac" ? common.gdac : a == "--cacert" ? common.cacert : dir) = v;
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage(err, kFetchUsage, "unknown option for --fetch: " + a);
        } else {
            if (!IsSafeRelativePath(a))
                return Usage(err, kFetchUsage,
                             "unusable path \"" + a + "\" (write it as in the index: DAC/WMO/profiles/NAME.nc)");
            common.words.push_back(a);
        }
    }
    if (common.words.empty())
        return Usage(err, kFetchUsage, "--fetch needs at least one PATH");
    if (dir.empty())
        return Usage(err, kFetchUsage, "-o needs a folder");
    auto root = RootOf(common, err);
    if (!root)
        return 2;
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || ::access(dir.c_str(), W_OK) != 0) {
        std::fprintf(err, "brinewick: the folder %s does not exist or cannot be written to\n", dir.c_str());
        return 1;
    }
    std::vector<GdacFetchItem> items;
    for (const auto& path : common.words) {
        GdacFetchItem item;
        item.remotePath = "dac/" + path;
        item.localPath = dir + (dir.back() == '/' ? "" : "/") + std::string(LastPart(path));
        items.push_back(std::move(item));
    }
    GdacOptions options;
    options.caFile = common.cacert;
    GdacClient client(*root, options);
    client.FetchFiles(items);
    int status = 0;
    for (const auto& item : items) {
        if (item.status) {
            std::fprintf(out, "%s\n", item.localPath.c_str());
        } else {
            std::fprintf(err, "brinewick: %s: %s\n", item.remotePath.c_str(), item.status.message.c_str());
            status = 1;
        }
    }
    std::fflush(out);
    return status;
}
