// The libcurl FTP client against a real pyftpdlib server on 127.0.0.1.
#include "FtpTestServer.h"
#include "core/JobControl.h"
#include "ftp/FtpClient.h"
#include "ftp/FtpFetch.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace {

FtpTimeouts ShortTimeouts()
{
    return {3000, 5, 5};
}

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
    EXPECT_TRUE(Has(entries, "link", true)); // a link is offered among the folders

    ASSERT_TRUE(m_client.ChangeDirectory("d"));
    EXPECT_EQ(m_client.CurrentDirectory(), "/pub/argo/d");
    ASSERT_TRUE(m_client.List(entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "deep.nc");
    ASSERT_TRUE(m_client.ChangeDirectory(".."));
    EXPECT_EQ(m_client.CurrentDirectory(), "/pub/argo");

    FtpStatus status;
    EXPECT_EQ(Fetch("D5900446_001.nc", status),
              FtpTestServer::ReadFile((m_root / "pub/argo/D5900446_001.nc").string()));
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

TEST_P(FtpClientTest, FetchToFileReplacesOnlyWithAWholeFile)
{
    ASSERT_TRUE(m_client.ChangeDirectory("/pub/argo"));
    const fs::path save = m_root / "save";
    fs::create_directories(save);
    struct Case {
        const char* remote;
        bool oldFile; // a file of that name is already in the save folder
        bool cancel;  // cancelled through the job once 100 KB have arrived
        FtpErrorKind kind;
    };
    const Case cases[] = {
        {"slow.nc", true, true, FtpErrorKind::Cancelled},     {"slow.nc", false, true, FtpErrorKind::Cancelled},
        {"cut.nc", true, false, FtpErrorKind::Transfer}, // the server stops half way
        {"cut.nc", false, false, FtpErrorKind::Transfer},     {"missing.nc", true, false, FtpErrorKind::Transfer},
        {"D5900446_001.nc", true, false, FtpErrorKind::None}, {"a.nc", false, false, FtpErrorKind::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.remote) + (c.oldFile ? " over an old file" : " as a new file"));
        const fs::path target = save / c.remote;
        if (c.oldFile)
            FtpTestServer::WriteFile(target.string(), "old\n");
        JobControl job;
        std::thread canceller;
        if (c.cancel)
            canceller = std::thread([&job] {
                const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                while (job.Done() < 100000 && std::chrono::steady_clock::now() < until)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                job.RequestCancel();
            });
        const FtpStatus status = FetchToFile(m_client, c.remote, target.string(), &job);
        if (canceller.joinable())
            canceller.join();
        EXPECT_EQ(status.kind, c.kind) << status.message;

        if (c.kind == FtpErrorKind::None)
            EXPECT_EQ(FtpTestServer::ReadFile(target.string()),
                      FtpTestServer::ReadFile((m_root / "pub/argo" / c.remote).string()));
        else if (c.oldFile)
            EXPECT_EQ(FtpTestServer::ReadFile(target.string()), "old\n");
        else
            EXPECT_FALSE(fs::exists(target));
        if (c.cancel) {
            // Progress in bytes, the total from the size the server gave.
            EXPECT_EQ(job.Total(), std::uint64_t(4u << 20));
            EXPECT_GE(job.Done(), 100000u);
            EXPECT_LT(job.Done(), job.Total());
        }
        // No temporary or partial file beside the target.
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(save))
            names.push_back(e.path().filename().string());
        EXPECT_EQ(names, c.kind == FtpErrorKind::None || c.oldFile ? std::vector<std::string>{c.remote}
                                                                   : std::vector<std::string>{});
        fs::remove(target);
    }

    // A local folder that is missing fails before anything is asked of the server.
    EXPECT_EQ(FetchToFile(m_client, "a.nc", (m_root / "no/such/a.nc").string()).kind, FtpErrorKind::LocalFile);

    // Cancelled moves and listings change nothing; a move is undone without the server.
    JobControl cancelled;
    cancelled.RequestCancel();
    EXPECT_EQ(m_client.ChangeDirectory("d", &cancelled).kind, FtpErrorKind::Cancelled);
    std::vector<FtpEntry> entries;
    EXPECT_EQ(m_client.List(entries, &cancelled).kind, FtpErrorKind::Cancelled);
    EXPECT_EQ(m_client.CurrentDirectory(), "/pub/argo");
    ASSERT_TRUE(m_client.ChangeDirectory("d"));
    m_client.ReturnToDirectory("/pub/argo");
    JobControl live;
    ASSERT_TRUE(m_client.List(entries, &live));
    EXPECT_TRUE(Has(entries, "a.nc", false));
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
    SilentServer silent;
    ASSERT_NE(silent.Port(), 0);

    FtpClient client(FtpTimeouts{1000, 1, 1});
    const auto start = std::chrono::steady_clock::now();
    FtpStatus status = client.Connect("127.0.0.1", silent.Port(), "anonymous", "a@b.c");
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(status.kind, FtpErrorKind::Connect);
    EXPECT_LT(waited, std::chrono::seconds(10)) << "the client must give up on a silent server";
}

TEST(FtpClient, JobCancelsAWaitingLogin)
{
    // A server that never greets: the login waits on the server, where only the
    // job's cancel (asked about while libcurl waits) ends it early.
    SilentServer silent;
    ASSERT_NE(silent.Port(), 0);

    FtpClient client(FtpTimeouts{30000, 30, 30});
    JobControl job;
    std::thread canceller([&job] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        job.RequestCancel();
    });
    const auto start = std::chrono::steady_clock::now();
    const FtpStatus status = client.Connect("127.0.0.1", silent.Port(), "anonymous", "a@b.c", &job);
    const auto waited = std::chrono::steady_clock::now() - start;
    canceller.join();
    EXPECT_EQ(status.kind, FtpErrorKind::Cancelled);
    EXPECT_FALSE(client.IsConnected());
    EXPECT_LT(waited, std::chrono::seconds(5));
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
