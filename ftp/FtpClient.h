#pragma once
// An anonymous FTP client over libcurl: log in, move between directories, read the
// current directory, list it, fetch one file in binary, close.
//
// One easy handle is kept for the whole session, so libcurl reuses the same control
// connection while the user moves between folders (and quietly logs in again if the
// server dropped it). The client remembers the server's current directory as the
// server reported it (PWD): directory moves re-enter it first, and listings and fetches
// name full paths, so nothing depends on where the connection's directory was left. Transfers use passive
// mode, which works behind the address translation most users sit behind.
//
// Every operation takes an optional JobControl: a cancel there stops the operation
// within about a second (libcurl asks at least that often, also while it waits for
// the server), and a fetch counts its bytes there. One client is used by one thread at
// a time; the window hands it to a worker for each operation.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ftp/FtpListing.h"

using CURL = void;
class JobControl;

struct FtpTimeouts {
    long connectMs = 15000;    // TCP connect and login
    long responseSeconds = 30; // waiting for a reply on the control connection
    long stallSeconds = 30;    // a transfer moving less than 1 byte/s for this long fails
};

// ConnectionLost: a move, listing or fetch found the server gone (it could not be
// reached again, or the connection broke off without a reply).
enum class FtpErrorKind {
    None,
    Connect,
    Directory,
    Transfer,
    Cancelled,
    BadName,
    NotConnected,
    LocalFile,
    ConnectionLost
};

// Result of a client operation: success, or what went wrong with libcurl's message.
struct FtpStatus {
    FtpErrorKind kind = FtpErrorKind::None;
    std::string message;
    explicit operator bool() const { return kind == FtpErrorKind::None; }
};

class FtpClient {
public:
    // Receives the bytes of a fetch; returns false to stop it.
    using Sink = std::function<bool(const char* data, std::size_t size)>;
    // Called during a fetch with the bytes so far and the size the server reported
    // (0 when unknown); returns false to cancel.
    using Progress = std::function<bool(std::uint64_t received, std::uint64_t total)>;

    explicit FtpClient(FtpTimeouts timeouts = {});
    ~FtpClient();
    FtpClient(const FtpClient&) = delete;
    FtpClient& operator=(const FtpClient&) = delete;

    // Logs in as `user` with `password` and learns the start directory and whether
    // the server offers MLSD. A cancelled login leaves the client closed.
    FtpStatus Connect(const std::string& host, int port, const std::string& user, const std::string& password,
                      JobControl* job = nullptr);
    // Moves to an absolute path, or a name relative to the current directory ("..":
    // the parent). On failure or a cancel the current directory stays what it was.
    FtpStatus ChangeDirectory(const std::string& path, JobControl* job = nullptr);
    // The current directory as the server last reported it.
    const std::string& CurrentDirectory() const { return m_strCwd; }
    // Makes `dir`, a directory this session reported earlier, current again without
    // asking the server (every request names full paths, so nothing else needs to
    // move): how a move whose listing was cancelled is undone. An unusable name is
    // ignored.
    void ReturnToDirectory(const std::string& dir);
    // Lists the current directory (MLSD where offered, otherwise LIST).
    FtpStatus List(std::vector<FtpEntry>& entries, JobControl* job = nullptr);
    // Fetches `name` (relative to the current directory) in binary into `sink`. With
    // `job`, the bytes received and the size the server reported (when it did) are
    // counted there.
    FtpStatus Get(const std::string& name, const Sink& sink, const Progress& progress = {}, JobControl* job = nullptr);
    // Ends the session (QUIT) and frees the connection.
    void Close();

    bool IsConnected() const { return m_pCurl != nullptr; }
    bool UsesMlsd() const { return m_bMlsd; }

    struct Request; // one libcurl request; defined in the source file

private:
    FtpStatus Perform(Request& request, FtpErrorKind failureKind);
    std::string BaseUrl() const;
    bool PathUrl(const std::string& path, bool directory, std::string& url) const;

    FtpTimeouts m_timeouts;
    CURL* m_pCurl = nullptr;
    std::string m_strHost;
    int m_nPort = 21;
    std::string m_strUser;
    std::string m_strPassword;
    std::string m_strCwd;
    bool m_bMlsd = false;
};
