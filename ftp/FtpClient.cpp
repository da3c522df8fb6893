#include "ftp/FtpClient.h"

#include <curl/curl.h>

#include <cctype>
#include <mutex>

#include "core/JobControl.h"

namespace {

// A listing larger than this is not a directory a user could browse; stop reading.
constexpr std::size_t kMaxListingBytes = 64u << 20;

void GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct SList {
    curl_slist* list = nullptr;
    explicit SList(const std::vector<std::string>& items)
    {
        for (const auto& s : items)
            list = curl_slist_append(list, s.c_str());
    }
    ~SList() { curl_slist_free_all(list); }
    SList(const SList&) = delete;
    SList& operator=(const SList&) = delete;
};

// Failures that say the server is gone rather than that it refused what was asked.
// (A stalled transfer times out: that one stays a failed transfer.)
bool IsConnectionLoss(CURLcode rc)
{
    switch (rc) {
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING: return true;
    default: return false;
    }
}

} // namespace

struct FtpClient::Request {
    std::string url;
    std::vector<std::string> quote; // sent before libcurl changes directory
    bool noBody = false;
    std::string customRequest; // replaces LIST for a listing
    // Transfer data: either collected into `body` or handed to `sink`.
    std::string body;
    const Sink* sink = nullptr;
    const Progress* progress = nullptr;
    JobControl* job = nullptr; // cancel for any request
    bool countBytes = false;   // a fetch also counts its bytes in `job`
    bool sinkFailed = false;
    bool tooLarge = false;
    std::vector<std::string> replies; // every server reply line seen
};

extern "C" {
static size_t FtpWriteBody(char* data, size_t size, size_t count, void* user)
{
    auto* req = static_cast<FtpClient::Request*>(user);
    const size_t n = size * count;
    if (req->sink) {
        if (!(*req->sink)(data, n)) {
            req->sinkFailed = true;
            return 0;
        }
        return n;
    }
    if (req->body.size() + n > kMaxListingBytes) {
        req->tooLarge = true;
        return 0;
    }
    req->body.append(data, n);
    return n;
}

static size_t FtpWriteReply(char* data, size_t size, size_t count, void* user)
{
    auto* req = static_cast<FtpClient::Request*>(user);
    const size_t n = size * count;
    // Callers read the latest replies; a server that floods keeps only its last lines.
    if (req->replies.size() >= 10000)
        req->replies.erase(req->replies.begin(), req->replies.begin() + 5000);
    req->replies.emplace_back(data, n);
    return n;
}

static int FtpProgress(void* user, curl_off_t dltotal, curl_off_t dlnow, curl_off_t, curl_off_t)
{
    auto* req = static_cast<FtpClient::Request*>(user);
    const auto received = static_cast<std::uint64_t>(dlnow < 0 ? 0 : dlnow);
    const auto total = static_cast<std::uint64_t>(dltotal < 0 ? 0 : dltotal);
    if (req->progress && *req->progress && !(*req->progress)(received, total))
        return 1;
    if (req->job) {
        if (req->job->Cancelled())
            return 1;
        if (req->countBytes) {
            if (total > 0)
                req->job->SetTotal(total);
            req->job->SetDone(received);
        }
    }
    return 0;
}
}

FtpClient::FtpClient(FtpTimeouts timeouts) : m_timeouts(timeouts)
{
    GlobalInit();
}

FtpClient::~FtpClient()
{
    Close();
}

std::string FtpClient::BaseUrl() const
{
    std::string host = m_strHost;
    if (host.find(':') != std::string::npos && host.front() != '[')
        host = "[" + host + "]"; // IPv6 literal
    return "ftp://" + host + ":" + std::to_string(m_nPort) + "/";
}

bool FtpClient::PathUrl(const std::string& path, bool directory, std::string& url) const
{
    // Every byte but the unreserved ones is escaped, "/" included, so the whole path
    // reaches the server as one argument ("MLSD /pub/argo", "RETR /pub/argo/a.nc").
    char* escaped = curl_easy_escape(m_pCurl, path.data(), static_cast<int>(path.size()));
    if (!escaped)
        return false;
    url = BaseUrl() + escaped + (directory ? "/" : "");
    curl_free(escaped);
    return true;
}

FtpStatus FtpClient::Perform(Request& req, FtpErrorKind failureKind)
{
    if (!m_pCurl)
        return {FtpErrorKind::NotConnected, "not connected"};
    if (req.job && req.job->Cancelled())
        return {FtpErrorKind::Cancelled, "cancelled"};
    CURL* curl = m_pCurl;
    // Reset keeps the live connection; every request states all of its options.
    curl_easy_reset(curl);
    char errorBuffer[CURL_ERROR_SIZE] = {};
    SList quote(req.quote);

    curl_easy_setopt(curl, CURLOPT_URL, req.url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "ftp");
    // The address may hold "@", so it never goes into the URL.
    curl_easy_setopt(curl, CURLOPT_USERNAME, m_strUser.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, m_strPassword.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, m_timeouts.connectMs);
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, m_timeouts.responseSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, m_timeouts.stallSeconds);
    // Passive mode; the data connection goes to the control connection's address,
    // never to an address a server names in its PASV reply.
    curl_easy_setopt(curl, CURLOPT_FTP_SKIP_PASV_IP, 1L);
    // Listings and fetches name the full path (taken from the server's PWD) instead of
    // relying on the connection's directory, which CWDs sent in earlier requests and
    // libcurl's own bookkeeping of the previous path would otherwise both move.
    curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(curl, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, FtpWriteReply);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &req);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, FtpWriteBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &req);
    if (quote.list)
        curl_easy_setopt(curl, CURLOPT_QUOTE, quote.list);
    if (req.noBody)
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    if (!req.customRequest.empty())
        curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, req.customRequest.c_str());
    if (req.progress || req.job) {
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, FtpProgress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &req);
    }

    CURLcode rc = curl_easy_perform(curl);
    // Nothing may keep pointing at this frame's buffers and lists.
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(curl, CURLOPT_QUOTE, nullptr);
    if (rc == CURLE_OK)
        return {};
    std::string message = errorBuffer[0] ? errorBuffer : curl_easy_strerror(rc);
    if (rc == CURLE_ABORTED_BY_CALLBACK)
        return {FtpErrorKind::Cancelled, message};
    if (req.tooLarge)
        return {failureKind, "listing too large"};
    if (failureKind != FtpErrorKind::Connect && IsConnectionLoss(rc))
        return {FtpErrorKind::ConnectionLost, message};
    return {failureKind, message};
}

FtpStatus FtpClient::Connect(const std::string& host, int port, const std::string& user, const std::string& password,
                             JobControl* job)
{
    Close();
    if (host.empty() || port <= 0 || port > 65535 || !IsSafeCommandArgument(user) ||
        password.find_first_of(std::string_view("\0\r\n", 3)) != std::string::npos)
        return {FtpErrorKind::Connect, "invalid host, port or login"};
    m_pCurl = curl_easy_init();
    if (!m_pCurl)
        return {FtpErrorKind::Connect, "libcurl could not start"};
    m_strHost = host;
    m_nPort = port;
    m_strUser = user;
    m_strPassword = password;

    Request req;
    req.url = BaseUrl();
    req.noBody = true;
    req.job = job;
    // FEAT may be unknown to old servers: the "*" lets the login succeed anyway.
    req.quote = {"*FEAT", "PWD"};
    FtpStatus status = Perform(req, FtpErrorKind::Connect);
    if (!status) {
        Close();
        return status;
    }
    bool inFeat = false;
    for (const auto& line : req.replies) {
        if (line.rfind("211", 0) == 0)
            inFeat = true;
        else if (inFeat && line.size() > 5 && line[0] == ' ') {
            std::string feature = line.substr(1, 4);
            for (auto& c : feature)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (feature == "MLST")
                m_bMlsd = true;
        }
        if (auto dir = ParsePwdReply(line))
            m_strCwd = *dir;
    }
    if (m_strCwd.empty())
        m_strCwd = "/";
    return {};
}

FtpStatus FtpClient::ChangeDirectory(const std::string& path, JobControl* job)
{
    if (!m_pCurl)
        return {FtpErrorKind::NotConnected, "not connected"};
    if (!IsSafeCommandArgument(path))
        return {FtpErrorKind::BadName, "unusable directory name"};
    Request req;
    req.url = BaseUrl();
    req.noBody = true;
    req.job = job;
    // Re-enter the directory we know, move relative to it, then ask where we are. The
    // "*" keeps a refused CWD from failing the request: libcurl would then drop the
    // control connection and log in again, where the user only asked to stay.
    if (path.front() != '/')
        req.quote.push_back("*CWD " + m_strCwd);
    req.quote.push_back("*CWD " + path);
    req.quote.push_back("*PWD");
    FtpStatus status = Perform(req, FtpErrorKind::Directory);
    if (!status)
        return status;
    // The last two final replies answer our CWD and our PWD.
    std::vector<std::string> finals;
    for (const auto& line : req.replies)
        if (line.size() >= 4 && line[3] == ' ' && std::isdigit(static_cast<unsigned char>(line[0])))
            finals.push_back(line); // (lines with "-" continue a multi-line reply)
    if (finals.size() < 2 || finals[finals.size() - 2][0] != '2') {
        std::string message = finals.size() < 2 ? std::string() : finals[finals.size() - 2];
        while (!message.empty() && (message.back() == '\r' || message.back() == '\n'))
            message.pop_back();
        return {FtpErrorKind::Directory, message.empty() ? "the server refused the directory" : message};
    }
    std::string cwd = ParsePwdReply(finals.back()).value_or(std::string());
    if (cwd.empty() || !IsSafeCommandArgument(cwd)) {
        // The server moved but gave no usable PWD: work the path out ourselves.
        if (path.front() == '/')
            cwd = path;
        else if (path == "..") {
            auto slash = m_strCwd.find_last_of('/');
            cwd = slash == 0 || slash == std::string::npos ? "/" : m_strCwd.substr(0, slash);
        } else
            cwd = m_strCwd + (m_strCwd.back() == '/' ? "" : "/") + path;
    }
    m_strCwd = cwd;
    return {};
}

void FtpClient::ReturnToDirectory(const std::string& dir)
{
    if (m_pCurl && !dir.empty() && IsSafeCommandArgument(dir))
        m_strCwd = dir;
}

FtpStatus FtpClient::List(std::vector<FtpEntry>& entries, JobControl* job)
{
    entries.clear();
    if (!m_pCurl)
        return {FtpErrorKind::NotConnected, "not connected"};
    Request req;
    if (!PathUrl(m_strCwd, true, req.url))
        return {FtpErrorKind::Directory, "unusable directory name"};
    if (m_bMlsd)
        req.customRequest = "MLSD";
    req.job = job;
    FtpStatus status = Perform(req, FtpErrorKind::Directory);
    if (!status)
        return status;
    entries = ParseListing(req.body, m_bMlsd);
    return {};
}

FtpStatus FtpClient::Get(const std::string& name, const Sink& sink, const Progress& progress, JobControl* job)
{
    if (!m_pCurl)
        return {FtpErrorKind::NotConnected, "not connected"};
    if (!IsSafeCommandArgument(name) || name.find('/') != std::string::npos)
        return {FtpErrorKind::BadName, "unusable file name"};
    Request req;
    const std::string path = m_strCwd + (!m_strCwd.empty() && m_strCwd.back() == '/' ? "" : "/") + name;
    if (!PathUrl(path, false, req.url))
        return {FtpErrorKind::Transfer, "unusable file name"};
    req.sink = &sink;
    req.progress = &progress;
    req.job = job;
    req.countBytes = true;
    FtpStatus status = Perform(req, FtpErrorKind::Transfer);
    if (!status && req.sinkFailed && status.kind != FtpErrorKind::Cancelled)
        status.message = "the received data could not be stored";
    return status;
}

void FtpClient::Close()
{
    if (m_pCurl) {
        curl_easy_cleanup(m_pCurl); // sends QUIT on the open control connection
        m_pCurl = nullptr;
    }
    m_strCwd.clear();
    m_bMlsd = false;
}
