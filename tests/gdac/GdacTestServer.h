#pragma once
// Runs tests/gdac/gdac_test_server.py (HTTPS on 127.0.0.1, a port the system picks)
// for one test, with a certificate made by openssl for the run, and builds the small
// GDAC tree it serves.
#include <string>
#include <sys/types.h>

class GdacTestServer {
public:
    GdacTestServer() = default;
    ~GdacTestServer() { Stop(); }
    GdacTestServer(const GdacTestServer&) = delete;
    GdacTestServer& operator=(const GdacTestServer&) = delete;

    // Makes (once per process) a certificate for 127.0.0.1 and its key in a temporary
    // folder; returns the certificate's path, which serves as the CA file. Empty when
    // openssl failed.
    static std::string Certificate();

    // Serves root/pub in `mode` ("normal", "hostile"). False when Python or openssl is
    // missing or the server did not come up.
    bool Start(const std::string& root, const std::string& mode = "normal");
    void Stop();
    int Port() const { return m_port; }
    // "https://127.0.0.1:PORT" followed by `path`.
    std::string Url(const std::string& path) const;

    // Creates root/pub: the core index (plain, and compressed with one line more, so
    // a test sees which one was read), the synthetic index (plain only) and dac/ with
    // the files the index names (each a netCDF signature and a line of text), float
    // 13857's whole-float files (13857_prof.nc a real one, 13857_Sprof.nc small),
    // cut_001.nc (cut off by the server), slow_001.nc (4 MB, trickled) and
    // wrongsize_001.nc.
    static void MakeGdacTree(const std::string& root);
    // The lines of the core index after its column line, as written by MakeGdacTree.
    static const char* CoreIndexRows();

    // `body` after the classic netCDF signature: the client saves only files that have one.
    static std::string Nc(const std::string& body) { return std::string("CDF\x01", 4) + body; }

    static std::string ReadFile(const std::string& path);
    static void WriteFile(const std::string& path, const std::string& bytes);

private:
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_port = 0;
};
