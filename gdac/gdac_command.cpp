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

std::optional<GdacRoot> RootOf(const std::string& gdac, std::FILE* err)
{
    std::string error;
    auto root = ParseGdacRoot(gdac, &error);
    if (!root)
        std::fprintf(err, "brinewick: --gdac %s: %s\n", gdac.c_str(), error.c_str());
    return root;
}

} // namespace

int run_search_command(const SearchRequest& request, std::FILE* out, std::FILE* err, const SearchMapWriter& writeMap)
{
    const IndexQuery& query = request.query;
    const GdacIndexKind kind = request.kind;
    const bool map = request.map;
    const std::string& output = request.mapOutput;
    if (map && !writeMap) {
        std::fputs("brinewick: --map is not available here\n", err);
        return 2;
    }
    auto root = RootOf(request.gdac, err);
    if (!root)
        return 2;
    GdacOptions options;
    options.caFile = request.cacert;
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
        status = client.UpdateIndex(kind, request.noCache, cached, &job);
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

int run_fetch_command(const FetchRequest& request, std::FILE* out, std::FILE* err)
{
    const std::string& dir = request.dir;
    GdacOptions options;
    if (request.maxFileBytes > 0)
        options.maxFileBytes = request.maxFileBytes;
    auto root = RootOf(request.gdac, err);
    if (!root)
        return 2;
    if (!WritableFolder(dir, err))
        return 1;
    std::vector<GdacFetchItem> items;
    for (const auto& path : request.paths) {
        GdacFetchItem item;
        item.remotePath = "dac/" + path;
        item.localPath = dir + (dir.back() == '/' ? "" : "/") + std::string(LastPart(path));
        items.push_back(std::move(item));
    }
    if (const std::vector<std::string> shared = GdacClient::SharedTargets(items); !shared.empty()) {
        std::string names;
        for (const auto& name : shared)
            names += (names.empty() ? "" : ", ") + name;
        std::fprintf(err, "brinewick: more than one PATH would be written to %s\n", names.c_str());
        return 2;
    }
    if (root->scheme == GdacScheme::File)
        for (const auto& item : items)
            if (const std::string clash = OutputClash(item.localPath, {root->path + "/" + item.remotePath});
                !clash.empty()) {
                std::fprintf(err, "brinewick: %s\n", clash.c_str());
                return 2;
            }
    options.caFile = request.cacert;
    GdacClient client(*root, options);
    return FetchAndReport(client, items, out, err);
}

int run_fetch_float_command(const FetchFloatRequest& request, std::FILE* out, std::FILE* err)
{
    std::string dac = request.dac;
    const std::string& dir = request.dir;
    auto root = RootOf(request.gdac, err);
    if (!root)
        return 2;
    if (!WritableFolder(dir, err))
        return 1;
    const std::string& wmo = request.wmo;
    GdacOptions options;
    options.caFile = request.cacert;
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
