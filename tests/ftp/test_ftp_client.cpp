// The libcurl FTP client against a real pyftpdlib server on 127.0.0.1.
#include "FtpTestServer.h"
#include "ftp/FtpClient.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

FtpTimeouts ShortTimeouts() { return {3000, 5, 5}; }

bool Has(const std::vector<FtpEntry>& entries, const std::string& name, bool dir)
{
    return std::any_of(entries.begin(), entries.end(),
                       [&](const FtpEntry& e) { return e.name == name && e.isDirectory == dir; });
}

class FtpClientTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        m_root = fs::temp_directory_path() / ("bw_ftp_client_" + std::to_string(::getpid()));
        fs::remove_all(m_root);
        FtpTestServer::MakeArgoTree(m_root.string());
        if (!m_server.Start(m_root.string(), GetParam()))
            GTEST_SKIP() << "no /usr/bin/python3 with pyftpdlib";
        ASSERT_TRUE(m_client.Connect("127.0.0.1", m_server.Port(), "anonymous", "someone@example.org"));
    }
    void TearDown() override
    {
        m_client.Close();
        m_server.Stop();
        fs::remove_all(m_root);
    }
    std::string Fetch(const std::string& name, FtpStatus& status)
    {
        std::string bytes;
        status = m_client.Get(name, [&](const char* d, std::size_t n) {
            bytes.append(d, n);
            return true;
        });
        return bytes;
    }

    fs::path m_root;
    FtpTestServer m_server;
    FtpClient m_client{ShortTimeouts()};
};

} // namespace

TEST_P(FtpClientTest, MovesListsAndFetches)
{
    EXPECT_EQ(m_client.UsesMlsd(), std::string(GetParam()) == "normal");
    EXPECT_EQ(m_client.CurrentDirectory(), "/");
    ASSERT_TRUE(m_client.ChangeDirectory("/pub/argo"));
    EXPECT_EQ(m_client.CurrentDirectory(), "/pub/argo");

    std::vector<FtpEntry> entries;
    ASSERT_TRUE(m_client.List(entries));
    EXPECT_TRUE(Has(entries, "a.nc", false));
    EXPECT_TRUE(Has(entries, "b.NC", false));
    EXPECT_TRUE(Has(entries, "d", true));
    EXPECT_TRUE(Has(entries, "link", true));  // a link is offered among the folders

    ASSERT_TRUE(m_client.ChangeDirectory("d"));
    EXPECT_EQ(m_client.CurrentDirectory(), "/pub/argo/d");
    ASSERT_TRUE(m_client.List(entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "deep.nc");
    ASSERT_TRUE(m_client.ChangeDirectory(".."));
    EXPECT_EQ(m_client.CurrentDirectory(), "/pub/argo");

    FtpStatus status;
    EXPECT_EQ(Fetch("D5900446_001.nc", status), FtpTestServer::ReadFile((m_root / "pub/argo/D5900446_001.nc").string()));
    EXPECT_TRUE(status) << status.message;
}

TEST_P(FtpClientTest, FailuresLeaveTheSessionUsable)
{
    ASSERT_TRUE(m_client.ChangeDirectory("/pub/argo"));
    FtpStatus status = m_client.ChangeDirectory("locked");
    EXPECT_EQ(status.kind, FtpErrorKind::Directory);
    EXPECT_EQ(m_client.ChangeDirectory("missing").kind, FtpErrorKind::Directory);
    EXPECT_EQ(m_client.CurrentDirectory(), "/pub/argo");

    Fetch("missing.nc", status);
    EXPECT_EQ(status.kind, FtpErrorKind::Transfer);

    std::string part = Fetch("cut.nc", status);
    EXPECT_EQ(status.kind, FtpErrorKind::Transfer) << "a cut-off transfer must not pass as complete";
    EXPECT_LT(part.size(), fs::file_size(m_root / "pub/argo/cut.nc"));

    // Cancelling from the progress callback.
    status = m_client.Get(
        "slow.nc", [](const char*, std::size_t) { return true; },
        [](std::uint64_t received, std::uint64_t total) {
            EXPECT_TRUE(total == 0 || total == (4u << 20));
            return received < 100000;
        });
    EXPECT_EQ(status.kind, FtpErrorKind::Cancelled);

    // Command injection through a name is refused before anything is sent.
    EXPECT_EQ(m_client.ChangeDirectory("d\r\nDELE a.nc").kind, FtpErrorKind::BadName);

    // Still in the same directory and able to work.
    std::vector<FtpEntry> entries;
    ASSERT_TRUE(m_client.List(entries));
    EXPECT_TRUE(Has(entries, "a.nc", false));
    EXPECT_EQ(Fetch("a.nc", status), "served a.nc\n");
    EXPECT_TRUE(status);
}

INSTANTIATE_TEST_SUITE_P(Listing, FtpClientTest, ::testing::Values("normal", "nomlsd"));

TEST(FtpClient, ServerDown)
{
    FtpClient client(ShortTimeouts());
    FtpStatus status = client.Connect("127.0.0.1", FtpTestServer::UnusedPort(), "anonymous", "a@b.c");
    EXPECT_EQ(status.kind, FtpErrorKind::Connect);
    EXPECT_FALSE(client.IsConnected());
    std::vector<FtpEntry> entries;
    EXPECT_EQ(client.List(entries).kind, FtpErrorKind::NotConnected);
}

TEST(FtpClient, SilentServerTimesOut)
{
    // Accepts connections (the kernel's backlog does) but never greets.
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(s, 4), 0);
    ASSERT_EQ(getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len), 0);

    FtpClient client(FtpTimeouts{1000, 1, 1});
    const auto start = std::chrono::steady_clock::now();
    FtpStatus status = client.Connect("127.0.0.1", ntohs(addr.sin_port), "anonymous", "a@b.c");
    const auto waited = std::chrono::steady_clock::now() - start;
    close(s);
    EXPECT_EQ(status.kind, FtpErrorKind::Connect);
    EXPECT_LT(waited, std::chrono::seconds(10)) << "the client must give up on a silent server";
}

TEST(FtpClient, StalledTransferTimesOut)
{
    const fs::path root = fs::temp_directory_path() / ("bw_ftp_stall_" + std::to_string(::getpid()));
    FtpTestServer::MakeArgoTree(root.string());
    FtpTestServer server;
    if (!server.Start(root.string()))
        GTEST_SKIP() << "no /usr/bin/python3 with pyftpdlib";
    FtpClient client(FtpTimeouts{2000, 2, 1});
    ASSERT_TRUE(client.Connect("127.0.0.1", server.Port(), "anonymous", "a@b.c"));
    ASSERT_TRUE(client.ChangeDirectory("/pub/argo"));
    std::size_t received = 0;
    FtpStatus status = client.Get("stall.nc", [&](const char*, std::size_t n) {
        received += n;
        return true;
    });
    EXPECT_EQ(status.kind, FtpErrorKind::Transfer);
    EXPECT_LT(received, std::size_t(4u << 20));
    client.Close();
    server.Stop();
    fs::remove_all(root);
}
