#include "gdac/gdac_command.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <csignal>
#include <optional>

#include "core/JobControl.h"
#include "core/replace_file.h"
#include "core/stdout_sink.h"
#include "ftp/FtpListing.h"
#include "gdac/GdacClient.h"
#include "gdac/float_files.h"

namespace {

const char kSearchUsage[] =
    "Usage: brinewick --search [--gdac URL] [--cacert FILE] [--no-cache] [--index core|synthetic|bio]\n"
    "                          [--wmo N[,N...]] [--box LATMIN,LATMAX,LONMIN,LONMAX]\n"
    "                          [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--dac NAME]\n"
    "                          [--map -o OUT.png|svg|pdf]\n";
const char kFetchFloatUsage[] =
    "Usage: brinewick --fetch-float WMO [--gdac URL] [--cacert FILE] [-o DIR] [--dac NAME]\n";
const char kFetchUsage[] =
    "Usage: brinewick --fetch PATH... [--gdac URL] [--cacert FILE] [-o DIR] [--max-size BYTES]\n";

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

// While it lives, SIGINT, SIGTERM and SIGHUP cancel `job` instead of ending the
// process at once, so a transfer stops cleanly and removes its temporary file; the
// destructor then ends the process by the same signal, as it was asked to.
class CancelOnSignals {
public:
    explicit CancelOnSignals(JobControl& job)
    {
        s_job = &job;
        s_signal = 0;
        struct sigaction action {};
        action.sa_handler = [](int sig) {
            s_signal = sig;
            s_job->RequestCancel(); // a lock-free atomic store: safe in a handler
        };
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            sigaction(kSignals[i], &action, &m_old[i]);
    }
    ~CancelOnSignals()
    {
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            sigaction(kSignals[i], &m_old[i], nullptr);
        s_job = nullptr;
        if (s_signal != 0)
            std::raise(s_signal);
    }
    CancelOnSignals(const CancelOnSignals&) = delete;
    CancelOnSignals& operator=(const CancelOnSignals&) = delete;

private:
    static constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGHUP};
    static inline JobControl* s_job = nullptr;
    static inline volatile std::sig_atomic_t s_signal = 0;
    std::array<struct sigaction, 3> m_old{};
};

// Whether a picture file name ends in .png, .svg or .pdf (case ignored).
bool KnownPictureName(const std::string& name)
{
    std::string lower = name.size() >= 4 ? name.substr(name.size() - 4) : std::string();
    for (char& c : lower)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return lower == ".png" || lower == ".svg" || lower == ".pdf";
}

// Fetches the items and reports them: each local path on `out`, each replaced file and
// each failure on `err`. Returns 0 when all arrived, 1 otherwise.
int FetchAndReport(GdacClient& client, std::vector<GdacFetchItem>& items, std::FILE* out, std::FILE* err)
{
    std::vector<bool> existed;
    for (const auto& item : items) {
        struct stat st {};
        existed.push_back(::lstat(item.localPath.c_str(), &st) == 0);
    }
    {
        JobControl job;
        const CancelOnSignals cancelOnSignals(job);
        client.FetchFiles(items, &job);
    }
    int status = 0;
    StdoutSink sink(out);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto& item = items[i];
        if (item.status) {
            if (existed[i])
                std::fprintf(err, "brinewick: replaced %s\n", item.localPath.c_str());
            sink.Write(item.localPath + "\n");
        } else {
            std::fprintf(err, "brinewick: %s: %s\n", item.remotePath.c_str(), item.status.message.c_str());
            status = 1;
        }
    }
    if (!sink.Finish() && !sink.BrokenPipe()) {
        std::fputs("brinewick: could not write the fetched files' names to standard output\n", err);
        return 1;
    }
    return status;
}

bool WritableFolder(const std::string& dir, std::FILE* err)
{
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || ::access(dir.c_str(), W_OK) != 0) {
        std::fprintf(err, "brinewick: the folder %s does not exist or cannot be written to\n", dir.c_str());
        return false;
    }
    return true;
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

int run_search_command(const std::vector<std::string>& args, std::FILE* out, std::FILE* err,
                       const SearchMapWriter& writeMap)
{
    Common common;
    IndexQuery query;
    GdacIndexKind kind = GdacIndexKind::Core;
    bool noCache = false, map = false;
    std::string output;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--no-cache" || a == "--map") {
            (a == "--map" ? map : noCache) = true;
            continue;
        }
        const bool takesValue = a == "--gdac" || a == "--cacert" || a == "--index" || a == "--wmo" || a == "--box" ||
                                a == "--from" || a == "--to" || a == "--dac" || a == "-o";
        if (!takesValue)
            return Usage(err, kSearchUsage, "unknown word for --search: " + a);
        if (i + 1 >= args.size())
            return Usage(err, kSearchUsage, a + " needs a value");
        const std::string& v = args[++i];
        if (a == "--gdac")
            common.gdac = v;
        else if (a == "-o")
            output = v;
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
    if (map != !output.empty())
        return Usage(err, kSearchUsage, map ? "--map needs -o OUT.png|svg|pdf" : "-o goes with --map");
    if (map && !writeMap)
        return Usage(err, kSearchUsage, "--map is not available here");
    if (map && !KnownPictureName(output))
        return Usage(err, kSearchUsage, "OUT must end in .png, .svg or .pdf");
    auto root = RootOf(common, err);
    if (!root)
        return 2;
    GdacOptions options;
    options.caFile = common.cacert;
    GdacClient client(*root, options);
    if (map)
        if (const std::string clash = OutputClash(output, {client.CachedIndexPath(kind)}); !clash.empty()) {
            std::fprintf(err, "brinewick: %s\n", clash.c_str());
            return 2;
        }
    std::string cached;
    GdacStatus status;
    {
        JobControl job;
        const CancelOnSignals cancelOnSignals(job);
        status = client.UpdateIndex(kind, noCache, cached, &job);
    }
    if (!status) {
        std::fprintf(err, "brinewick: could not get %s from %s: %s\n", IndexFileName(kind), root->url.c_str(),
                     status.message.c_str());
        return 1;
    }
    if (!client.IndexNote().empty() && map)
        std::fprintf(err, "brinewick: %s\n", client.IndexNote().c_str());
    if (map) {
        std::string columnLine, text;
        const IndexSearchResult result = SearchIndexFile(
            cached, query,
            [&](std::string_view line) {
                text.append(line);
                text += '\n';
            },
            nullptr, [&](std::string_view line) { columnLine = line; });
        if (!result.ok) {
            std::fprintf(err, "brinewick: %s: %s\n", cached.c_str(), result.error.c_str());
            return 1;
        }
        SearchMap drawn{output, {}, MatchPointsOf(columnLine, text), query};
        drawn.title = QueryText(kind, query) + ": " + std::to_string(result.matches) + " profiles";
        std::fprintf(err, "%llu matching profile files, %zu on the map\n",
                     static_cast<unsigned long long>(result.matches), drawn.points.size());
        return writeMap(drawn);
    }
    // Index lines come from the server: shown escaped on a terminal. A failed write
    // stops the search, as nobody reads the rest.
    StdoutSink sink(out);
    JobControl stop;
    auto write = [&](std::string_view line) {
        if (!sink.Write(line) || !sink.Write("\n"))
            stop.RequestCancel();
    };
    if (!client.IndexNote().empty())
        std::fprintf(err, "brinewick: %s\n", client.IndexNote().c_str());
    const IndexSearchResult result = SearchIndexFile(cached, query, write, &stop, write);
    const bool written = sink.Finish();
    if (sink.BrokenPipe())
        return kBrokenPipeStatus; // the reader has all it wanted
    if (!written) {
        std::fputs("brinewick: could not write the result to standard output\n", err);
        return 1;
    }
    if (!result.ok) {
        std::fprintf(err, "brinewick: %s: %s\n", cached.c_str(), result.error.c_str());
        return 1;
    }
    std::fprintf(err, "%llu matching profile files\n", static_cast<unsigned long long>(result.matches));
    return 0;
}

int run_fetch_command(const std::vector<std::string>& args, std::FILE* out, std::FILE* err)
{
    Common common;
    std::string dir = ".";
    GdacOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--max-size") {
            const std::string v = i + 1 < args.size() ? args[++i] : std::string();
            std::uint64_t bytes = 0;
            const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), bytes);
            if (v.empty() || ec != std::errc() || end != v.data() + v.size() || bytes == 0)
                return Usage(err, kFetchUsage, "--max-size takes a number of bytes");
            options.maxFileBytes = bytes;
        } else if (a == "--gdac" || a == "--cacert" || a == "-o") {
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
    if (!WritableFolder(dir, err))
        return 1;
    std::vector<GdacFetchItem> items;
    for (const auto& path : common.words) {
        GdacFetchItem item;
        item.remotePath = "dac/" + path;
        item.localPath = dir + (dir.back() == '/' ? "" : "/") + std::string(LastPart(path));
        items.push_back(std::move(item));
    }
    if (const std::vector<std::string> shared = GdacClient::SharedTargets(items); !shared.empty()) {
        std::string names;
        for (const auto& name : shared)
            names += (names.empty() ? "" : ", ") + name;
        return Usage(err, kFetchUsage, "more than one PATH would be written to " + names);
    }
    if (root->scheme == GdacScheme::File)
        for (const auto& item : items)
            if (const std::string clash = OutputClash(item.localPath, {root->path + "/" + item.remotePath});
                !clash.empty()) {
                std::fprintf(err, "brinewick: %s\n", clash.c_str());
                return 2;
            }
    options.caFile = common.cacert;
    GdacClient client(*root, options);
    return FetchAndReport(client, items, out, err);
}

int run_fetch_float_command(const std::vector<std::string>& args, std::FILE* out, std::FILE* err)
{
    Common common;
    std::string dir = ".", dac;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--gdac" || a == "--cacert" || a == "-o" || a == "--dac") {
            if (i + 1 >= args.size())
                return Usage(err, kFetchFloatUsage, a + " needs a value");
            const std::string& v = args[++i];
            (a == "--gdac" ? common.gdac : a == "--cacert" ? common.cacert : a == "-o" ? dir : dac) = v;
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage(err, kFetchFloatUsage, "unknown option for --fetch-float: " + a);
        } else {
            common.words.push_back(a);
        }
    }
    const auto wmos = common.words.size() == 1 ? ParseWmoList(common.words[0]) : std::nullopt;
    if (!wmos || wmos->size() != 1)
        return Usage(err, kFetchFloatUsage, "--fetch-float needs one WMO number");
    if (dir.empty())
        return Usage(err, kFetchFloatUsage, "-o needs a folder");
    if (!dac.empty() && !IsSafeLocalFileName(dac))
        return Usage(err, kFetchFloatUsage, "--dac takes the name of a DAC");
    auto root = RootOf(common, err);
    if (!root)
        return 2;
    if (!WritableFolder(dir, err))
        return 1;
    const std::string& wmo = wmos->front();
    GdacOptions options;
    options.caFile = common.cacert;
    GdacClient client(*root, options);
    std::vector<FloatFile> files;
    GdacStatus status;
    {
        JobControl job;
        const CancelOnSignals cancelOnSignals(job);
        if (dac.empty())
            status = FindFloatDac(client, wmo, dac, &job);
        if (status)
            status = ListFloatFiles(client, dac, wmo, files, &job);
    }
    if (!status) {
        std::fprintf(err, "brinewick: float %s: %s\n", wmo.c_str(), status.message.c_str());
        return 1;
    }
    std::vector<GdacFetchItem> items;
    for (const FloatFile& f : files) {
        GdacFetchItem item;
        item.remotePath = f.remotePath;
        item.localPath = dir + (dir.back() == '/' ? "" : "/") + f.name;
        item.expectedSize = f.size;
        items.push_back(std::move(item));
    }
    return FetchAndReport(client, items, out, err);
}
