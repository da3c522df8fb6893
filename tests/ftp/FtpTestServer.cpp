#include "FtpTestServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

bool FtpTestServer::Start(const std::string& root, const std::string& mode)
{
    Stop();
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0)
        return false;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return false;
    }
    const std::string script = std::string(BW_SOURCE_DIR) + "/tests/ftp/ftp_test_server.py";
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        execl("/usr/bin/python3", "python3", script.c_str(), root.c_str(), mode.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    if (pid < 0) {
        close(in[1]);
        close(out[0]);
        return false;
    }
    m_pid = pid;
    m_stdin = in[1];

    // Wait for "PORT <n>\n".
    std::string line;
    pollfd p{out[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&p, 1, 10000) > 0) {
        char buf[64];
        ssize_t n = read(out[0], buf, sizeof buf);
        if (n <= 0)
            break;
        line.append(buf, static_cast<std::size_t>(n));
    }
    close(out[0]);
    if (line.rfind("PORT ", 0) != 0) {
        Stop();
        return false;
    }
    m_port = std::stoi(line.substr(5));
    return m_port > 0;
}

void FtpTestServer::Stop()
{
    if (m_stdin >= 0) {
        close(m_stdin); // the server exits when its input closes
        m_stdin = -1;
    }
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    m_port = 0;
}

int FtpTestServer::UnusedPort()
{
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    close(s); // nothing listens there any more
    return port;
}

SilentServer::SilentServer()
{
    m_socket = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (bind(m_socket, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && listen(m_socket, 4) == 0 &&
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        m_port = ntohs(addr.sin_port);
}

SilentServer::~SilentServer()
{
    if (m_socket >= 0)
        close(m_socket);
}

std::string FtpTestServer::ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void FtpTestServer::WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

void FtpTestServer::MakeArgoTree(const std::string& root)
{
    const fs::path argo = fs::path(root) / "pub" / "argo";
    fs::create_directories(argo / "d");
    fs::create_directories(argo / "locked");
    WriteFile((argo / "a.nc").string(), "served a.nc\n");
    WriteFile((argo / "b.NC").string(), "b\n");
    WriteFile((argo / "c.nc.gz").string(), "c\n");
    WriteFile((argo / "d" / "deep.nc").string(), "deep\n");
    const fs::path real = fs::path(BW_TEST_DATA_DIR) / "D5900446_001.nc";
    fs::copy_file(real, argo / "D5900446_001.nc", fs::copy_options::overwrite_existing);
    fs::copy_file(real, argo / "cut.nc", fs::copy_options::overwrite_existing);
    std::string big(4u << 20, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 + 3);
    WriteFile((argo / "slow.nc").string(), big);
    fs::copy_file(argo / "slow.nc", argo / "stall.nc", fs::copy_options::overwrite_existing);
    std::error_code ec;
    fs::create_directory_symlink("d", argo / "link", ec);
}
