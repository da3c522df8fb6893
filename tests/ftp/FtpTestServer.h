#pragma once
// Runs tests/ftp/ftp_test_server.py (pyftpdlib) on 127.0.0.1 for one test, on a port
// the system picks, and builds the anonymous tree it serves.
#include <string>
#include <sys/types.h>

class FtpTestServer {
public:
    FtpTestServer() = default;
    ~FtpTestServer() { Stop(); }
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    // Serves `root` in `mode` ("normal", "nomlsd", "hostile"). False when Python or
    // pyftpdlib is missing or the server did not come up.
    bool Start(const std::string& root, const std::string& mode = "normal");
    void Stop();
    int Port() const { return m_port; }

    // A loopback port nothing listens on.
    static int UnusedPort();

    // Creates root/pub/argo holding a.nc, b.NC, c.nc.gz, the real Argo file
    // D5900446_001.nc, cut.nc (served half and cut off), slow.nc (4 MB, trickled),
    // stall.nc (the server hangs after 4 KB),
    // folder d (holding deep.nc), folder locked (CWD refused) and link -> d.
    static void MakeArgoTree(const std::string& root);

    // Whole file as bytes (empty when missing).
    static std::string ReadFile(const std::string& path);
    static void WriteFile(const std::string& path, const std::string& bytes);

private:
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_port = 0;
};

// A loopback port that accepts connections (the kernel's backlog does) but never
// greets: a server that hangs at login. Closed with the object.
class SilentServer {
public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    int Port() const { return m_port; } // 0 when the socket could not be set up

private:
    int m_socket = -1;
    int m_port = 0;
};
