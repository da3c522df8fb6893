#pragma once
// A GDAC client over libcurl (no Qt): lists folders of an https/http, S3, ftp or
// file:// root, keeps the index files in the user's cache folder up to date with
// conditional requests, and fetches many files at once (several transfers in
// parallel) through temporary files that replace their targets only when complete.
//
// Every operation takes an optional JobControl: a cancel there stops it within about
// a second (libcurl asks at least that often, also while it waits for the server).
// One client is used by one thread at a time.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "gdac/GdacIndex.h"
#include "gdac/GdacListing.h"
#include "gdac/GdacRoot.h"

class JobControl;

struct GdacOptions {
    std::string caFile;   // a private certificate authority to trust, or ""
    std::string cacheDir; // where indexes are kept; "" for the user's cache folder
    long connectMs = 15000;
    // A transfer moving less than lowSpeedBytes a second for stallSeconds fails.
    long stallSeconds = 30;
    long lowSpeedBytes = 1024;
    long indexDeadlineSeconds = 3600; // the longest one index download may take
    // A fetched file larger than this is refused while it arrives (well above any Argo
    // file, the largest of which are a few hundred MB).
    std::uint64_t maxFileBytes = std::uint64_t{4} << 30;
    int parallel = 4; // transfers at once when fetching many files
    std::string ftpPassword = "anonymous@";
};

enum class GdacErrorKind { None, Network, Server, BadData, LocalFile, BadName, Cancelled };

struct GdacStatus {
    GdacErrorKind kind = GdacErrorKind::None;
    std::string message;
    // The server's certificate could not be checked (or the CA file not read): trusting
    // it needs the certificate authority's file.
    bool certificate = false;
    explicit operator bool() const { return kind == GdacErrorKind::None; }
};

// One file to fetch, and what became of it.
struct GdacFetchItem {
    std::string remotePath;         // below the root, e.g. "dac/aoml/13857/profiles/R13857_001.nc"
    std::string localPath;          // the file to write
    std::int64_t expectedSize = -1; // from a listing, -1 when not known
    GdacStatus status;
};

// How far each file of a fetch has come; the window reads it while the fetch runs.
struct GdacFileProgress {
    enum State { Waiting, Running, Done, Failed };
    std::atomic<std::uint64_t> received{0};
    std::atomic<std::uint64_t> total{0}; // 0 when the server gave no size
    std::atomic<int> state{Waiting};
};

class GdacClient {
public:
    GdacClient(GdacRoot root, GdacOptions options = {});

    const GdacRoot& Root() const { return m_root; }
    const GdacOptions& Options() const { return m_options; }

    // Lists `folder` ("" for the root, else a safe relative path such as "dac/aoml").
    GdacStatus List(const std::string& folder, std::vector<GdacEntry>& entries, JobControl* job = nullptr);

    // Makes sure the cache holds the server's current `kind` index (the .gz copy where
    // the server has one, else the plain text), asking the server only for a copy
    // newer than the cached one unless `fresh`. On success `cachedPath` names the
    // uncompressed index in the cache. A failed or cancelled update keeps the cached
    // copy as it was; when the server cannot be reached at all (and not `fresh`), that
    // copy is used and IndexNote says so. With `job`, the bytes received are counted there.
    GdacStatus UpdateIndex(GdacIndexKind kind, bool fresh, std::string& cachedPath, JobControl* job = nullptr);
    // Set by UpdateIndex when the server could not be reached and the cached copy,
    // which may be older than the server's, stands in for it; empty otherwise.
    const std::string& IndexNote() const { return m_indexNote; }
    // The cache file of `kind` for this root (it may not exist yet).
    std::string CachedIndexPath(GdacIndexKind kind) const;

    // Fetches every item, up to Options().parallel at a time, each to a temporary file
    // beside its target that replaces it only when the whole file has arrived with the
    // size the server (or the listing) gave, no larger than Options().maxFileBytes, and,
    // for a name ending in ".nc", beginning with a netCDF or HDF5 signature (an error
    // page is never saved). Items that share a target are all refused (BadName) before
    // any transfer starts. Each item's status says how it went; the
    // result is the first failure, or success. With `job`, the total is the number of
    // files and the count those finished; `progress` (an array of items.size(), or
    // null) follows each file. A cancel stops all transfers; files already complete
    // stay in place.
    GdacStatus FetchFiles(std::vector<GdacFetchItem>& items, JobControl* job = nullptr,
                          GdacFileProgress* progress = nullptr);

    // The targets that more than one item would write, each once; empty when none.
    static std::vector<std::string> SharedTargets(const std::vector<GdacFetchItem>& items);

    // The user's cache folder for GDAC indexes ($XDG_CACHE_HOME or ~/.cache, then
    // brinewick/gdac).
    static std::string DefaultCacheDir();

    struct Transfer; // one libcurl transfer; defined in the source file

private:
    GdacStatus ListHttp(const std::string& folder, std::vector<GdacEntry>& entries, JobControl* job);
    GdacStatus ListS3(const std::string& folder, std::vector<GdacEntry>& entries, JobControl* job);
    GdacStatus ListFtp(const std::string& folder, std::vector<GdacEntry>& entries, JobControl* job);
    GdacStatus ListFile(const std::string& folder, std::vector<GdacEntry>& entries);
    // Reads a page into `body`; with `reuse`, over that handle (and its connection).
    GdacStatus GetText(const std::string& url, std::string& body, JobControl* job, void* reuse = nullptr);
    GdacStatus FetchIndexFrom(const std::string& remoteName, bool gzip, const std::string& cachePath, bool conditional,
                              bool& notModified, JobControl* job);

    GdacRoot m_root;
    GdacOptions m_options;
    std::string m_indexNote;
};
