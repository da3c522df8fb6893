#include "gdac/GdacClient.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <cstdlib>
#include <deque>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "core/JobControl.h"
#include "core/replace_file.h"
#include "ftp/FtpClient.h"

namespace fs = std::filesystem;

namespace {

// A folder page or listing larger than this is not one a user could browse.
constexpr std::size_t kMaxListingBytes = 64u << 20;
// Pages of an S3 listing followed at most (1000 entries each).
constexpr int kMaxS3Pages = 200;
// An index larger than this (uncompressed) is not an Argo index.
constexpr std::uint64_t kMaxIndexBytes = 2ull << 30; // the core index is about 280 MB

void GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

GdacStatus Cancelled()
{
    return {GdacErrorKind::Cancelled, "cancelled"};
}

GdacStatus NotNetcdf()
{
    return {GdacErrorKind::BadData, "the server's answer is not a netCDF file (no netCDF or HDF5 signature)"};
}

} // namespace

// One transfer: where its bytes go and what it has seen.
struct GdacClient::Transfer {
    std::string url;
    char error[CURL_ERROR_SIZE] = {};
    JobControl* job = nullptr;
    bool countBytes = false; // the job counts this transfer's bytes
    // Bytes go into `body` (listings), or into `file`, through `inflater` for gzip.
    std::string body;
    std::size_t bodyLimit = kMaxListingBytes;
    ReplacingFile* file = nullptr;
    z_stream* inflater = nullptr;
    bool inflateEnded = false; // the last gzip member is complete
    std::string head;          // the first bytes written to `file`, to check them
    std::uint64_t written = 0; // bytes that went to `file`
    std::uint64_t writeLimit = kMaxIndexBytes;
    std::uint64_t received = 0;
    std::int64_t expected = -1; // size the listing gave
    bool netcdf = false;        // the file must begin with a netCDF or HDF5 signature
    GdacFileProgress* progress = nullptr;
    // Why the write callback stopped the transfer.
    enum class Stop { None, TooLarge, FileTooLarge, BadGzip, DiskFull, Mismatch, NotNetcdf } stop = Stop::None;
};

namespace {

// The signatures a netCDF file begins with: classic, 64-bit offset, CDF-5, and HDF5
// (netCDF-4), the longest of them 8 bytes.
constexpr std::size_t kSignatureBytes = 8;

bool HasNetcdfSignature(std::string_view head)
{
    for (const std::string_view sig : {std::string_view("CDF\x01", 4), std::string_view("CDF\x02", 4),
                                       std::string_view("CDF\x05", 4), std::string_view("\x89HDF\r\n\x1a\n", 8)})
        if (head.substr(0, sig.size()) == sig)
            return true;
    return false;
}

bool WriteOut(GdacClient::Transfer& t, const char* data, std::size_t n)
{
    if (t.written + n > t.writeLimit) {
        t.stop = t.netcdf ? GdacClient::Transfer::Stop::FileTooLarge : GdacClient::Transfer::Stop::TooLarge;
        return false;
    }
    const bool checkNow = t.netcdf && t.head.size() < kSignatureBytes && t.head.size() + n >= kSignatureBytes;
    if (t.head.size() < 65536)
        t.head.append(data, std::min(n, 65536 - t.head.size()));
    if (checkNow && !HasNetcdfSignature(t.head)) {
        t.stop = GdacClient::Transfer::Stop::NotNetcdf; // nothing of it reaches the disk
        return false;
    }
    t.written += n;
    if (!t.file->Write(data, n)) {
        t.stop = GdacClient::Transfer::Stop::DiskFull;
        return false;
    }
    return true;
}

bool Inflate(GdacClient::Transfer& t, const char* data, std::size_t n)
{
    z_stream& z = *t.inflater;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    z.avail_in = static_cast<uInt>(n);
    char out[65536];
    while (z.avail_in > 0) {
        if (t.inflateEnded) {
            // Another gzip member follows (concatenated files are one stream).
            if (inflateReset(&z) != Z_OK) {
                t.stop = GdacClient::Transfer::Stop::BadGzip;
                return false;
            }
            t.inflateEnded = false;
        }
        z.next_out = reinterpret_cast<Bytef*>(out);
        z.avail_out = sizeof out;
        const int rc = inflate(&z, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
            t.stop = GdacClient::Transfer::Stop::BadGzip;
            return false;
        }
        const std::size_t produced = sizeof out - z.avail_out;
        if (produced && !WriteOut(t, out, produced))
            return false;
        if (rc == Z_STREAM_END)
            t.inflateEnded = true;
        else if (rc == Z_BUF_ERROR && produced == 0)
            break;
    }
    return true;
}

} // namespace

extern "C" {
static size_t GdacWrite(char* data, size_t size, size_t count, void* user)
{
    auto& t = *static_cast<GdacClient::Transfer*>(user);
    const size_t n = size * count;
    t.received += n;
    if (t.expected >= 0 && t.received > static_cast<std::uint64_t>(t.expected)) {
        t.stop = GdacClient::Transfer::Stop::Mismatch;
        return 0;
    }
    if (t.progress)
        t.progress->received.store(t.received, std::memory_order_relaxed);
    if (!t.file) {
        if (t.body.size() + n > t.bodyLimit) {
            t.stop = GdacClient::Transfer::Stop::TooLarge;
            return 0;
        }
        t.body.append(data, n);
        return n;
    }
    const bool ok = t.inflater ? Inflate(t, data, n) : WriteOut(t, data, n);
    return ok ? n : 0;
}

static int GdacXferInfo(void* user, curl_off_t dltotal, curl_off_t dlnow, curl_off_t, curl_off_t)
{
    auto& t = *static_cast<GdacClient::Transfer*>(user);
    if (t.progress && dltotal > 0)
        t.progress->total.store(static_cast<std::uint64_t>(dltotal), std::memory_order_relaxed);
    if (!t.job)
        return 0;
    if (t.job->Cancelled())
        return 1;
    if (t.countBytes) {
        if (dltotal > 0)
            t.job->SetTotal(static_cast<std::uint64_t>(dltotal));
        t.job->SetDone(static_cast<std::uint64_t>(dlnow < 0 ? 0 : dlnow));
    }
    return 0;
}
}

namespace {

const char* ProtocolsOf(GdacScheme scheme, const std::string& url)
{
    switch (scheme) {
    case GdacScheme::Http:
    case GdacScheme::S3: return url.rfind("https:", 0) == 0 ? "https" : "http";
    case GdacScheme::Ftp: return "ftp";
    case GdacScheme::File: return "file";
    }
    return "https";
}

void SetUp(CURL* curl, GdacClient::Transfer& t, const GdacRoot& root, const GdacOptions& options)
{
    curl_easy_setopt(curl, CURLOPT_URL, t.url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, ProtocolsOf(root.scheme, root.base));
    if (root.scheme == GdacScheme::Http || root.scheme == GdacScheme::S3) {
        // Servers move folders about ("dac" to "dac/"); a redirect may go to another
        // web address but never to a local file or another protocol.
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
        curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(curl, CURLOPT_USERAGENT, "Brinewick/1.0");
    }
    if (root.scheme == GdacScheme::Ftp) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, "anonymous");
        curl_easy_setopt(curl, CURLOPT_PASSWORD, options.ftpPassword.c_str());
        curl_easy_setopt(curl, CURLOPT_FTP_SKIP_PASV_IP, 1L);
        curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    }
    if (!options.caFile.empty())
        curl_easy_setopt(curl, CURLOPT_CAINFO, options.caFile.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, t.error);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, options.connectMs);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, options.lowSpeedBytes);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, options.stallSeconds);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, GdacWrite);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, GdacXferInfo);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
}

// What a finished transfer amounts to.
GdacStatus Outcome(CURL* curl, CURLcode rc, const GdacClient::Transfer& t)
{
    using Stop = GdacClient::Transfer::Stop;
    if (t.job && t.job->Cancelled())
        return Cancelled();
    switch (t.stop) {
    case Stop::TooLarge: return {GdacErrorKind::BadData, "the server sent more than any listing or index holds"};
    case Stop::FileTooLarge:
        return {GdacErrorKind::BadData,
                "the file is larger than " + std::to_string(t.writeLimit) + " bytes (a larger limit: --max-size)"};
    case Stop::BadGzip: return {GdacErrorKind::BadData, "the compressed index is damaged"};
    case Stop::DiskFull: return {GdacErrorKind::LocalFile, t.file->Path() + ": " + std::strerror(t.file->WriteError())};
    case Stop::Mismatch: return {GdacErrorKind::BadData, "the file is larger than the listing said"};
    case Stop::NotNetcdf: return NotNetcdf();
    case Stop::None: break;
    }
    std::string message = t.error[0] ? t.error : curl_easy_strerror(rc);
    switch (rc) {
    case CURLE_OK: break;
    case CURLE_HTTP_RETURNED_ERROR: {
        long code = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
        return {GdacErrorKind::Server, "the server answered " + std::to_string(code)};
    }
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_FILE_COULDNT_READ_FILE:
    case CURLE_REMOTE_ACCESS_DENIED: return {GdacErrorKind::Server, message};
    case CURLE_ABORTED_BY_CALLBACK: return Cancelled();
    case CURLE_PARTIAL_FILE: return {GdacErrorKind::BadData, "the transfer was cut off: " + message};
    default:
        return {GdacErrorKind::Network, message,
                rc == CURLE_PEER_FAILED_VERIFICATION || rc == CURLE_SSL_CACERT_BADFILE};
    }
    curl_off_t length = -1;
    if (curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK && length >= 0 &&
        static_cast<std::uint64_t>(length) != t.received)
        return {GdacErrorKind::BadData,
                "the server sent " + std::to_string(t.received) + " bytes of " + std::to_string(length)};
    if (t.expected >= 0 && t.received != static_cast<std::uint64_t>(t.expected))
        return {GdacErrorKind::BadData, "the server sent " + std::to_string(t.received) +
                                            " bytes where the listing said " + std::to_string(t.expected)};
    if (t.netcdf && !HasNetcdfSignature(t.head))
        return NotNetcdf(); // shorter than any signature
    return {};
}

bool IsMissing(const GdacStatus& status)
{
    return status.kind == GdacErrorKind::Server;
}

std::string CacheNameOf(const std::string& url)
{
    // A readable part and a hash, so two roots never share a cache folder.
    std::string readable;
    for (char c : url.substr(url.find("://") == std::string::npos ? 0 : url.find("://") + 3)) {
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
        readable += plain ? c : '_';
        if (readable.size() >= 60)
            break;
    }
    std::uint64_t hash = 1469598103934665603ull;
    for (const char ch : url)
        hash = (hash ^ static_cast<unsigned char>(ch)) * 1099511628211ull;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return readable + "-" + std::string(hex, 8);
}

} // namespace

GdacClient::GdacClient(GdacRoot root, GdacOptions options) : m_root(std::move(root)), m_options(std::move(options))
{
    GlobalInit();
    if (m_options.parallel < 1)
        m_options.parallel = 1;
}

std::vector<std::string> GdacClient::SharedTargets(const std::vector<GdacFetchItem>& items)
{
    std::vector<std::string> names;
    for (const auto& item : items)
        names.push_back(item.localPath);
    std::sort(names.begin(), names.end());
    std::vector<std::string> shared;
    for (std::size_t i = 1; i < names.size(); ++i)
        if (names[i] == names[i - 1] && (shared.empty() || shared.back() != names[i]))
            shared.push_back(names[i]);
    return shared;
}

std::string GdacClient::DefaultCacheDir()
{
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    std::string base;
    if (xdg && xdg[0] == '/')
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && home[0])
        base = std::string(home) + "/.cache";
    else
        base = "/tmp";
    return base + "/brinewick/gdac";
}

std::string GdacClient::CachedIndexPath(GdacIndexKind kind) const
{
    const std::string dir = m_options.cacheDir.empty() ? DefaultCacheDir() : m_options.cacheDir;
    return dir + "/" + CacheNameOf(m_root.url) + "/" + IndexFileName(kind);
}

GdacStatus GdacClient::GetText(const std::string& url, std::string& body, JobControl* job, void* reuse)
{
    if (job && job->Cancelled())
        return Cancelled();
    Easy own(reuse ? nullptr : curl_easy_init());
    CURL* curl = reuse ? reuse : own.get();
    if (!curl)
        return {GdacErrorKind::Network, "libcurl could not start"};
    curl_easy_reset(curl); // (keeps the connection for the next page)
    Transfer t;
    t.url = url;
    t.job = job;
    SetUp(curl, t, m_root, m_options);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, ""); // pages compress well
    const CURLcode rc = curl_easy_perform(curl);
    GdacStatus status = Outcome(curl, rc, t);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    if (status)
        body = std::move(t.body);
    return status;
}

GdacStatus GdacClient::List(const std::string& folder, std::vector<GdacEntry>& entries, JobControl* job)
{
    entries.clear();
    if (!folder.empty() && !IsSafeRelativePath(folder))
        return {GdacErrorKind::BadName, "unusable folder name"};
    GdacStatus status{GdacErrorKind::BadName, "unknown server kind"};
    switch (m_root.scheme) {
    case GdacScheme::Http: status = ListHttp(folder, entries, job); break;
    case GdacScheme::S3: status = ListS3(folder, entries, job); break;
    case GdacScheme::Ftp: status = ListFtp(folder, entries, job); break;
    case GdacScheme::File: status = ListFile(folder, entries); break;
    }
    if (!status)
        entries.clear(); // nothing of a failed listing is shown
    return status;
}

GdacStatus GdacClient::ListHttp(const std::string& folder, std::vector<GdacEntry>& entries, JobControl* job)
{
    std::string body;
    GdacStatus status = GetText(GdacUrlOf(m_root, folder, true), body, job);
    if (!status)
        return status;
    entries = ParseHtmlIndex(body);
    return {};
}

GdacStatus GdacClient::ListS3(const std::string& folder, std::vector<GdacEntry>& entries, JobControl* job)
{
    std::string prefix = m_root.path.empty() ? std::string() : m_root.path.substr(1) + "/";
    if (!folder.empty())
        prefix += folder + "/";
    Easy escaper(curl_easy_init());
    if (!escaper)
        return {GdacErrorKind::Network, "libcurl could not start"};
    auto escape = [&](const std::string& s) {
        char* e = curl_easy_escape(escaper.get(), s.data(), static_cast<int>(s.size()));
        std::string out = e ? e : "";
        curl_free(e);
        return out;
    };
    std::string token;
    std::vector<std::string> tokensSeen;
    for (int page = 0;; ++page) {
        if (page >= kMaxS3Pages)
            return {GdacErrorKind::BadData, "the bucket listing does not end"};
        std::string url = m_root.endpoint + "/?list-type=2&delimiter=%2F&prefix=" + escape(prefix);
        if (!token.empty())
            url += "&continuation-token=" + escape(token);
        std::string body;
        GdacStatus status = GetText(url, body, job, escaper.get());
        if (!status)
            return status;
        auto parsed = ParseS3Listing(body, prefix);
        if (!parsed)
            return {GdacErrorKind::BadData, "the server's answer is not a bucket listing"};
        for (auto& e : parsed->entries)
            entries.push_back(std::move(e));
        if (!parsed->truncated)
            break;
        // A truncated page without a new token would be asked for again and again.
        if (parsed->nextToken.empty() ||
            std::find(tokensSeen.begin(), tokensSeen.end(), parsed->nextToken) != tokensSeen.end())
            return {GdacErrorKind::BadData, "the bucket listing does not end"};
        token = parsed->nextToken;
        tokensSeen.push_back(token);
    }
    // Names appear once even when pages overlap.
    std::vector<GdacEntry> unique;
    for (auto& e : entries)
        if (std::none_of(unique.begin(), unique.end(), [&](const GdacEntry& u) { return u.name == e.name; }))
            unique.push_back(std::move(e));
    entries = std::move(unique);
    return {};
}

GdacStatus GdacClient::ListFtp(const std::string& folder, std::vector<GdacEntry>& entries, JobControl* job)
{
    FtpTimeouts timeouts;
    timeouts.connectMs = m_options.connectMs;
    timeouts.stallSeconds = m_options.stallSeconds;
    timeouts.responseSeconds = m_options.stallSeconds;
    FtpClient ftp(timeouts);
    FtpStatus status =
        ftp.Connect(m_root.host, m_root.port ? m_root.port : 21, "anonymous", m_options.ftpPassword, job);
    const std::string dir = m_root.path + "/" + folder;
    if (status)
        status = ftp.ChangeDirectory(dir.empty() ? "/" : dir, job);
    std::vector<FtpEntry> listed;
    if (status)
        status = ftp.List(listed, job);
    ftp.Close();
    if (!status) {
        if (status.kind == FtpErrorKind::Cancelled)
            return Cancelled();
        return {status.kind == FtpErrorKind::Directory ? GdacErrorKind::Server : GdacErrorKind::Network,
                status.message};
    }
    for (auto& e : listed)
        if (IsSafeLocalFileName(e.name))
            entries.push_back({std::move(e.name), e.isDirectory, -1});
    return {};
}

GdacStatus GdacClient::ListFile(const std::string& folder, std::vector<GdacEntry>& entries)
{
    std::error_code ec;
    const fs::path dir = fs::path(m_root.path) / folder;
    fs::directory_iterator it(dir, ec);
    if (ec)
        return {GdacErrorKind::Server, dir.string() + ": " + ec.message()};
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            return {GdacErrorKind::Server, dir.string() + ": " + ec.message()};
        std::string name = it->path().filename().string();
        if (!IsSafeLocalFileName(name))
            continue;
        const bool isDir = it->is_directory(ec);
        std::int64_t size = -1;
        if (!isDir) {
            const auto s = it->file_size(ec);
            if (!ec)
                size = static_cast<std::int64_t>(s);
        }
        entries.push_back({std::move(name), isDir, size});
    }
    std::sort(entries.begin(), entries.end(), [](const GdacEntry& a, const GdacEntry& b) { return a.name < b.name; });
    return {};
}

GdacStatus GdacClient::FetchIndexFrom(const std::string& remoteName, bool gzip, const std::string& cachePath,
                                      bool conditional, bool& notModified, JobControl* job)
{
    notModified = false;
    if (job && job->Cancelled())
        return Cancelled();
    Easy curl(curl_easy_init());
    if (!curl)
        return {GdacErrorKind::Network, "libcurl could not start"};
    ReplacingFile file;
    std::string error;
    if (!file.Open(cachePath, &error))
        return {GdacErrorKind::LocalFile, error};
    z_stream z{};
    if (gzip && inflateInit2(&z, 16 + MAX_WBITS) != Z_OK)
        return {GdacErrorKind::LocalFile, "zlib could not start"};
    struct InflateEnd {
        z_stream* z;
        ~InflateEnd()
        {
            if (z)
                inflateEnd(z);
        }
    } ender{gzip ? &z : nullptr};

    Transfer t;
    t.url = GdacUrlOf(m_root, remoteName);
    t.job = job;
    t.countBytes = true;
    t.file = &file;
    t.inflater = gzip ? &z : nullptr;
    SetUp(curl.get(), t, m_root, m_options);
    curl_easy_setopt(curl.get(), CURLOPT_FILETIME, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, m_options.indexDeadlineSeconds);
    struct stat st {};
    if (conditional && ::stat(cachePath.c_str(), &st) == 0) {
        curl_easy_setopt(curl.get(), CURLOPT_TIMECONDITION, static_cast<long>(CURL_TIMECOND_IFMODSINCE));
        curl_easy_setopt(curl.get(), CURLOPT_TIMEVALUE_LARGE, static_cast<curl_off_t>(st.st_mtime));
    }
    const CURLcode rc = curl_easy_perform(curl.get());
    long unmet = 0;
    curl_easy_getinfo(curl.get(), CURLINFO_CONDITION_UNMET, &unmet);
    long code = 0;
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &code);
    if (rc == CURLE_OK && t.stop == Transfer::Stop::None && (unmet || code == 304)) {
        notModified = true; // the cached copy is current
        return {};
    }
    GdacStatus status = Outcome(curl.get(), rc, t);
    if (!status)
        return status;
    if (gzip && !t.inflateEnded)
        return {GdacErrorKind::BadData, "the compressed index ends too soon"};
    // The text must be an index: comment lines, then the column line with "file".
    const std::string_view head = t.head;
    if (!(head.rfind("file,", 0) == 0 || head.find("\nfile,") != std::string_view::npos ||
          (head.size() >= 65536 && head.front() == '#')))
        return {GdacErrorKind::BadData, "the server's file is not an Argo profile index"};
    if (!file.Commit(&error))
        return {GdacErrorKind::LocalFile, error};
    // The cached copy carries the server's time, which the next conditional request sends.
    curl_off_t when = -1;
    curl_easy_getinfo(curl.get(), CURLINFO_FILETIME_T, &when);
    if (when >= 0) {
        const struct timespec times[2] = {{static_cast<time_t>(when), 0}, {static_cast<time_t>(when), 0}};
        utimensat(AT_FDCWD, cachePath.c_str(), times, 0);
    }
    return {};
}

GdacStatus GdacClient::UpdateIndex(GdacIndexKind kind, bool fresh, std::string& cachedPath, JobControl* job)
{
    m_indexNote.clear();
    cachedPath = CachedIndexPath(kind);
    std::error_code ec;
    fs::create_directories(fs::path(cachedPath).parent_path(), ec);
    if (ec)
        return {GdacErrorKind::LocalFile, fs::path(cachedPath).parent_path().string() + ": " + ec.message()};
    const bool haveCache = fs::is_regular_file(cachedPath, ec);
    const std::string name = IndexFileName(kind);
    bool notModified = false;
    GdacStatus status = FetchIndexFrom(name + ".gz", true, cachedPath, haveCache && !fresh, notModified, job);
    if (IsMissing(status)) // no compressed copy on this server: the plain one
        status = FetchIndexFrom(name, false, cachedPath, haveCache && !fresh, notModified, job);
    if (status.kind == GdacErrorKind::Network && haveCache && !fresh) {
        m_indexNote = "the server could not be reached (" + status.message + "); the cached index was read";
        return {};
    }
    return status;
}

namespace {

// A running transfer: its handle, its file and the item it serves.
struct ActiveFetch {
    Easy curl;
    ReplacingFile file;
    GdacClient::Transfer t;
    std::size_t index = 0;
};

// Puts complete files in place on threads of their own. Each commit waits for its
// file to reach the disk (fsync), which would otherwise hold up every transfer; run
// side by side, the waits overlap each other and the transfers, and the file system
// joins them into few journal writes.
class Committer {
public:
    Committer(CURLM* multi, int threads) : m_multi(multi)
    {
        for (int i = 0; i < threads; ++i)
            m_threads.emplace_back([this] { Run(); });
    }
    ~Committer() { Finish(); }
    Committer(const Committer&) = delete;
    Committer& operator=(const Committer&) = delete;

    void Add(std::unique_ptr<ActiveFetch> fetch)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_todo.push_back(std::move(fetch));
        }
        m_cv.notify_one();
    }
    // The commits done since the last call: item index and outcome.
    std::vector<std::pair<std::size_t, GdacStatus>> TakeDone()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return std::exchange(m_done, {});
    }
    // Commits what is queued and ends the threads.
    void Finish()
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_closing = true;
        }
        m_cv.notify_all();
        for (auto& t : m_threads)
            t.join();
        m_threads.clear();
    }

private:
    void Run()
    {
        while (true) {
            std::unique_ptr<ActiveFetch> fetch;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_cv.wait(lock, [&] { return m_closing || !m_todo.empty(); });
                if (m_todo.empty())
                    return;
                fetch = std::move(m_todo.front());
                m_todo.pop_front();
            }
            std::string error;
            GdacStatus status;
            if (!fetch->file.Commit(&error))
                status = {GdacErrorKind::LocalFile, error};
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                m_done.emplace_back(fetch->index, std::move(status));
            }
            curl_multi_wakeup(m_multi); // the transfer loop settles it at once
        }
    }

    CURLM* m_multi;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<std::unique_ptr<ActiveFetch>> m_todo;
    std::vector<std::pair<std::size_t, GdacStatus>> m_done;
    bool m_closing = false;
    std::vector<std::thread> m_threads;
};

} // namespace

GdacStatus GdacClient::FetchFiles(std::vector<GdacFetchItem>& items, JobControl* job, GdacFileProgress* progress)
{
    struct MultiDeleter {
        void operator()(CURLM* m) const { curl_multi_cleanup(m); }
    };
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!multi)
        return {GdacErrorKind::Network, "libcurl could not start"};
    curl_multi_setopt(multi.get(), CURLMOPT_MAX_TOTAL_CONNECTIONS, static_cast<long>(m_options.parallel));

    std::vector<std::unique_ptr<ActiveFetch>> active;
    std::size_t next = 0, finished = 0;
    std::vector<char> settled(items.size(), 0);
    for (auto& item : items)
        item.status = {};
    // Two files written to one name would overwrite each other: none of them is fetched.
    if (const std::vector<std::string> shared = SharedTargets(items); !shared.empty()) {
        GdacStatus first;
        for (auto& item : items)
            if (std::find(shared.begin(), shared.end(), item.localPath) != shared.end()) {
                item.status = {GdacErrorKind::BadName, "another requested file is also written to " + item.localPath};
                if (first.kind == GdacErrorKind::None)
                    first = item.status;
            } else {
                item.status = {GdacErrorKind::BadName, "not fetched: requested files share a target"};
            }
        return first;
    }
    if (job) {
        job->SetTotal(items.size());
        job->SetDone(0);
    }
    auto settle = [&](std::size_t index, GdacStatus status) {
        items[index].status = std::move(status);
        settled[index] = 1;
        if (progress)
            progress[index].state.store(items[index].status ? GdacFileProgress::Done : GdacFileProgress::Failed);
        ++finished;
        if (job)
            job->SetDone(finished);
    };
    auto start = [&](std::size_t index) {
        GdacFetchItem& item = items[index];
        if (!IsSafeRelativePath(item.remotePath)) {
            settle(index, {GdacErrorKind::BadName, "unusable file name"});
            return;
        }
        // A local mirror's file is never written over by its own fetch.
        if (m_root.scheme == GdacScheme::File)
            if (std::string clash = OutputClash(item.localPath, {m_root.path + "/" + item.remotePath});
                !clash.empty()) {
                settle(index, {GdacErrorKind::LocalFile, std::move(clash)});
                return;
            }
        auto a = std::make_unique<ActiveFetch>();
        a->index = index;
        std::string error;
        if (!a->file.Open(item.localPath, &error)) {
            settle(index, {GdacErrorKind::LocalFile, error});
            return;
        }
        a->curl.reset(curl_easy_init());
        if (!a->curl) {
            settle(index, {GdacErrorKind::Network, "libcurl could not start"});
            return;
        }
        a->t.url = GdacUrlOf(m_root, item.remotePath);
        a->t.job = job;
        a->t.file = &a->file;
        a->t.writeLimit = m_options.maxFileBytes;
        a->t.netcdf = item.localPath.size() >= 3 && item.localPath.compare(item.localPath.size() - 3, 3, ".nc") == 0;
        a->t.expected = item.expectedSize;
        a->t.progress = progress ? &progress[index] : nullptr;
        SetUp(a->curl.get(), a->t, m_root, m_options);
        if (progress)
            progress[index].state.store(GdacFileProgress::Running);
        curl_multi_add_handle(multi.get(), a->curl.get());
        active.push_back(std::move(a));
    };
    Committer committer(multi.get(), std::min<int>(2 * m_options.parallel, static_cast<int>(items.size())));
    auto settleCommitted = [&] {
        for (auto& [index, status] : committer.TakeDone()) {
            settle(index, std::move(status));
        }
    };

    bool cancelled = false;
    while (finished < items.size()) {
        if (job && job->Cancelled()) {
            cancelled = true;
            break;
        }
        settleCommitted();
        while (next < items.size() && active.size() < static_cast<std::size_t>(m_options.parallel))
            start(next++);
        int running = 0;
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK)
            break;
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi.get(), &left)) {
            if (msg->msg != CURLMSG_DONE)
                continue;
            auto it = std::find_if(active.begin(), active.end(),
                                   [&](const auto& a) { return a->curl.get() == msg->easy_handle; });
            if (it == active.end())
                continue;
            const CURLcode rc = msg->data.result;
            std::unique_ptr<ActiveFetch> a = std::move(*it);
            active.erase(it);
            curl_multi_remove_handle(multi.get(), a->curl.get());
            GdacStatus status = Outcome(a->curl.get(), rc, a->t);
            a->curl.reset(); // its connection stays with `multi` for the next file
            if (status.kind == GdacErrorKind::Cancelled) {
                cancelled = true;
                break; // (the temporary file goes with `a`)
            }
            if (status) {
                committer.Add(std::move(a));
            } else {
                settle(a->index, std::move(status)); // the temporary file goes with `a`
            }
        }
        if (cancelled)
            break;
        if (finished >= items.size())
            break;
        // A slot freed with files waiting: start the next at once rather than wait.
        if (next >= items.size() || active.size() >= static_cast<std::size_t>(m_options.parallel))
            curl_multi_poll(multi.get(), nullptr, 0, 200, nullptr);
    }
    for (auto& a : active)
        curl_multi_remove_handle(multi.get(), a->curl.get());
    active.clear(); // unfinished files are dropped; their targets stay as they were
    // Files that arrived whole are put in place even after a cancel.
    committer.Finish();
    settleCommitted();
    for (std::size_t i = 0; i < items.size(); ++i)
        if (!settled[i]) {
            // Cancelled before or during its transfer.
            items[i].status = cancelled ? Cancelled() : GdacStatus{GdacErrorKind::Network, "not fetched"};
            if (progress)
                progress[i].state.store(GdacFileProgress::Failed);
        }
    if (cancelled)
        return Cancelled();
    for (const auto& item : items)
        if (!item.status)
            return item.status;
    return {};
}
