// The GDAC client and the command line against a real HTTPS server on 127.0.0.1
// (tests/gdac/gdac_test_server.py) and a local mirror.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "FtpTestServer.h"
#include "GdacTestServer.h"
#include "core/JobControl.h"
#include "gdac/GdacClient.h"
#include "gdac/gdac_command.h"
#include "support/command_words.h"
#include "reader/reader_table.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Names(std::vector<GdacEntry> entries)
{
    std::vector<std::string> names;
    for (const auto& e : entries)
        names.push_back(e.name + (e.isDirectory ? "/" : ""));
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> FilesIn(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs a command function with its output and errors caught.
struct Captured {
    int status;
    std::string out, err;
};
Captured RunCommand(const char* mode, const std::vector<std::string>& args)
{
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    Captured c{RunMode(mode, args, LocalReader(), out, err), {}, {}};
    for (auto [file, text] : {std::pair{out, &c.out}, std::pair{err, &c.err}}) {
        std::rewind(file);
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, file)) > 0)
            text->append(buf, n);
        std::fclose(file);
    }
    return c;
}

class GdacClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char dirTemplate[] = "/tmp/bw_gdac_test_XXXXXX";
        m_work = mkdtemp(dirTemplate);
        m_root = m_work / "root";
        m_save = m_work / "save";
        m_cache = m_work / "cache";
        fs::create_directories(m_save);
        GdacTestServer::MakeGdacTree(m_root.string());
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        if (!m_server.Start(m_root.string(), name.rfind("Hostile", 0) == 0 ? "hostile" : "normal"))
            GTEST_SKIP() << "no /usr/bin/python3 or openssl";
        setenv("XDG_CACHE_HOME", m_cache.c_str(), 1);
    }
    void TearDown() override
    {
        m_server.Stop();
        std::error_code ec;
        fs::remove_all(m_work, ec);
    }

    GdacOptions Options() const
    {
        GdacOptions o;
        o.caFile = GdacTestServer::Certificate();
        o.cacheDir = (m_cache / "brinewick" / "gdac").string();
        o.connectMs = 3000;
        o.stallSeconds = 5;
        return o;
    }
    GdacClient Client(const std::string& url, GdacOptions options) const
    {
        auto root = ParseGdacRoot(url, nullptr);
        EXPECT_TRUE(root) << url;
        return GdacClient(root.value_or(GdacRoot{}), options);
    }
    GdacClient Client(const std::string& url) const { return Client(url, Options()); }
    std::string Served(const std::string& rel) const
    {
        return GdacTestServer::ReadFile((m_root / "pub" / rel).string());
    }

    fs::path m_work, m_root, m_save, m_cache;
    GdacTestServer m_server;
};

} // namespace

TEST_F(GdacClientTest, ListsFoldersOfEveryKindOfRoot)
{
    const std::vector<std::string> top{"ar_index_global_prof.txt", "ar_index_global_prof.txt.gz",
                                       "argo_synthetic-profile_index.txt", "dac/"};
    const std::vector<std::string> profiles{"D6901929_075.nc", "cut_001.nc", "slow_001.nc", "wrongsize_001.nc"};
    std::vector<std::string> urls{m_server.Url("/gdac"), m_server.Url("/simple/"), "s3+" + m_server.Url("/pub"),
                                  "file://" + (m_root / "pub").string()};
    FtpTestServer ftp; // the same tree over anonymous FTP, where pyftpdlib is there
    if (ftp.Start(m_root.string()))
        urls.push_back("ftp://127.0.0.1:" + std::to_string(ftp.Port()) + "/pub");
    for (const auto& url : urls) {
        GdacClient client = Client(url);
        std::vector<GdacEntry> entries;
        ASSERT_TRUE(client.List("", entries)) << url;
        EXPECT_EQ(Names(entries), top) << url;
        ASSERT_TRUE(client.List("dac/coriolis/6901929", entries)) << url;
        EXPECT_EQ(Names(entries), (std::vector<std::string>{"6901929_meta.nc", "profiles/"})) << url;
        ASSERT_TRUE(client.List("dac/coriolis/6901929/profiles", entries)) << url;
        EXPECT_EQ(Names(entries), profiles) << url;
        // (A bucket has no folders: a prefix without keys is an empty one.)
        const GdacStatus missing = client.List("dac/nowhere", entries);
        EXPECT_EQ(bool(missing), url.rfind("s3+", 0) == 0) << url;
        EXPECT_TRUE(entries.empty()) << url;
        EXPECT_EQ(client.List("../etc", entries).kind, GdacErrorKind::BadName) << url;
    }
    // The bucket listing gives sizes (one of them wrong on purpose).
    std::vector<GdacEntry> entries;
    ASSERT_TRUE(Client("s3+" + m_server.Url("/pub")).List("dac/aoml/13857/profiles", entries));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].size, 16);

    // Without the test's certificate authority the server is not trusted.
    GdacOptions untrusted = Options();
    untrusted.caFile.clear();
    setenv("SSL_CERT_FILE", "/nonexistent", 1);
    const GdacStatus refused = Client(m_server.Url("/gdac"), untrusted).List("", entries);
    unsetenv("SSL_CERT_FILE");
    EXPECT_EQ(refused.kind, GdacErrorKind::Network);
}

TEST_F(GdacClientTest, IndexIsCachedAndFetchedAgainOnlyWhenNewer)
{
    GdacClient client = Client(m_server.Url("/gdac"));
    std::string cached;
    ASSERT_TRUE(client.UpdateIndex(GdacIndexKind::Core, false, cached));
    EXPECT_EQ(cached, client.CachedIndexPath(GdacIndexKind::Core));
    // The compressed copy, which holds one line more, is the one read.
    EXPECT_NE(GdacTestServer::ReadFile(cached).find("R4900000_001.nc"), std::string::npos);
    const auto served = fs::last_write_time(m_root / "pub" / "ar_index_global_prof.txt.gz");
    EXPECT_LE(std::chrono::abs(fs::last_write_time(cached) - served), std::chrono::seconds(1));

    // Not newer on the server: the cached copy stays, whatever it holds.
    auto mark = [&](const std::string& text) {
        const auto when = fs::last_write_time(cached);
        GdacTestServer::WriteFile(cached, text);
        fs::last_write_time(cached, when);
    };
    mark("# marked\nfile,date,latitude,longitude\n");
    ASSERT_TRUE(client.UpdateIndex(GdacIndexKind::Core, false, cached));
    EXPECT_EQ(GdacTestServer::ReadFile(cached), "# marked\nfile,date,latitude,longitude\n");
    // Asked afresh, or newer on the server: fetched again.
    ASSERT_TRUE(client.UpdateIndex(GdacIndexKind::Core, true, cached));
    EXPECT_NE(GdacTestServer::ReadFile(cached).find("R4900000_001.nc"), std::string::npos);
    mark("# marked\nfile,date,latitude,longitude\n");
    fs::last_write_time(m_root / "pub" / "ar_index_global_prof.txt.gz", served + std::chrono::hours(1));
    ASSERT_TRUE(client.UpdateIndex(GdacIndexKind::Core, false, cached));
    EXPECT_NE(GdacTestServer::ReadFile(cached).find("R4900000_001.nc"), std::string::npos);

    EXPECT_TRUE(client.IndexNote().empty());
    // A server that cannot be reached: the cached copy stands in, unless asked afresh.
    {
        GdacClient away = Client("https://127.0.0.1:" + std::to_string(FtpTestServer::UnusedPort()) + "/gdac");
        const std::string awayCache = away.CachedIndexPath(GdacIndexKind::Core);
        EXPECT_EQ(away.UpdateIndex(GdacIndexKind::Core, false, cached).kind, GdacErrorKind::Network);
        GdacTestServer::WriteFile(awayCache, "# cached\nfile,date,latitude,longitude\n");
        ASSERT_TRUE(away.UpdateIndex(GdacIndexKind::Core, false, cached));
        EXPECT_EQ(cached, awayCache);
        EXPECT_NE(away.IndexNote().find("could not be reached"), std::string::npos);
        EXPECT_EQ(away.UpdateIndex(GdacIndexKind::Core, true, cached).kind, GdacErrorKind::Network);
    }

    // No compressed synthetic index on the server: the plain one. No bio index at all:
    // an error, and no cache file.
    ASSERT_TRUE(client.UpdateIndex(GdacIndexKind::Synthetic, false, cached));
    EXPECT_EQ(GdacTestServer::ReadFile(cached), Served("argo_synthetic-profile_index.txt"));
    const GdacStatus bio = client.UpdateIndex(GdacIndexKind::Bio, false, cached);
    EXPECT_EQ(bio.kind, GdacErrorKind::Server);
    EXPECT_FALSE(fs::exists(cached));

    // Every kind of root serves the same index and files; a cancel keeps the cache as it was.
    std::vector<std::string> urls{"s3+" + m_server.Url("/pub"), "file://" + (m_root / "pub").string()};
    FtpTestServer ftp;
    if (ftp.Start(m_root.string()))
        urls.push_back("ftp://127.0.0.1:" + std::to_string(ftp.Port()) + "/pub");
    for (const std::string& url : urls) {
        GdacClient other = Client(url);
        ASSERT_TRUE(other.UpdateIndex(GdacIndexKind::Core, false, cached)) << url;
        EXPECT_NE(GdacTestServer::ReadFile(cached).find("R4900000_001.nc"), std::string::npos) << url;
        JobControl job;
        job.RequestCancel();
        EXPECT_EQ(other.UpdateIndex(GdacIndexKind::Core, true, cached, &job).kind, GdacErrorKind::Cancelled);
        EXPECT_NE(GdacTestServer::ReadFile(cached).find("R4900000_001.nc"), std::string::npos) << url;
        std::vector<GdacFetchItem> items{
            {"dac/aoml/13857/profiles/R13857_002.nc", (m_save / "two.nc").string(), -1, {}},
            {"dac/aoml/13857/profiles/none.nc", (m_save / "none.nc").string(), -1, {}}};
        EXPECT_FALSE(other.FetchFiles(items)) << url;
        EXPECT_TRUE(items[0].status) << url << items[0].status.message;
        EXPECT_EQ(items[1].status.kind, GdacErrorKind::Server) << url << items[1].status.message;
        EXPECT_EQ(GdacTestServer::ReadFile((m_save / "two.nc").string()), GdacTestServer::Nc("profile two\n")) << url;
        EXPECT_FALSE(fs::exists(m_save / "none.nc")) << url;
    }
}

TEST_F(GdacClientTest, FetchesManyFilesAndKeepsOldFilesOnFailure)
{
    GdacClient client = Client(m_server.Url("/gdac"));
    GdacTestServer::WriteFile((m_save / "cut_001.nc").string(), "old\n");
    GdacTestServer::WriteFile((m_save / "R13857_001.nc").string(), "an older and longer local copy\n");
    struct Case {
        std::string remote;
        GdacErrorKind kind;
    };
    const std::vector<Case> cases{
        {"dac/aoml/13857/profiles/R13857_001.nc", GdacErrorKind::None},
        {"dac/coriolis/6901929/profiles/cut_001.nc", GdacErrorKind::BadData},
        {"dac/aoml/13857/profiles/R13857_002.nc", GdacErrorKind::None},
        {"dac/aoml/13857/profiles/missing.nc", GdacErrorKind::Server},
        {"dac/../../etc/passwd", GdacErrorKind::BadName},
        {"dac/coriolis/6901929/profiles/D6901929_075.nc", GdacErrorKind::None},
        {"dac/coriolis/6901929/6901929_meta.nc", GdacErrorKind::None},
    };
    std::vector<GdacFetchItem> items;
    for (const auto& c : cases)
        items.push_back({c.remote, (m_save / LastPart(c.remote)).string(), -1, {}});
    items.push_back({"dac/aoml/13857/profiles/R13857_002.nc", (m_save / "nofolder" / "x.nc").string(), -1, {}});
    auto progress = std::make_unique<GdacFileProgress[]>(items.size());
    JobControl job;
    EXPECT_FALSE(client.FetchFiles(items, &job, progress.get()));
    EXPECT_EQ(job.Total(), items.size());
    EXPECT_EQ(job.Done(), items.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(items[i].status.kind, cases[i].kind) << cases[i].remote << ": " << items[i].status.message;
        EXPECT_EQ(progress[i].state.load(),
                  cases[i].kind == GdacErrorKind::None ? GdacFileProgress::Done : GdacFileProgress::Failed);
        if (cases[i].kind == GdacErrorKind::None) {
            EXPECT_EQ(GdacTestServer::ReadFile(items[i].localPath), Served(cases[i].remote)) << cases[i].remote;
            EXPECT_EQ(progress[i].received.load(), Served(cases[i].remote).size());
        }
    }
    EXPECT_EQ(items.back().status.kind, GdacErrorKind::LocalFile);
    EXPECT_EQ(GdacTestServer::ReadFile((m_save / "cut_001.nc").string()), "old\n");
    EXPECT_EQ(FilesIn(m_save), (std::vector<std::string>{"6901929_meta.nc", "D6901929_075.nc", "R13857_001.nc",
                                                         "R13857_002.nc", "cut_001.nc"}));

    // A size from the listing that the file does not have fails it (the bucket
    // listing gives wrongsize_001.nc one byte too many).
    GdacClient bucket = Client("s3+" + m_server.Url("/pub"));
    std::vector<GdacEntry> entries;
    ASSERT_TRUE(bucket.List("dac/coriolis/6901929/profiles", entries));
    const auto wrong =
        std::find_if(entries.begin(), entries.end(), [](auto& e) { return e.name == "wrongsize_001.nc"; });
    ASSERT_NE(wrong, entries.end());
    std::vector<GdacFetchItem> sized{
        {"dac/coriolis/6901929/profiles/wrongsize_001.nc", (m_save / "wrongsize_001.nc").string(), wrong->size, {}},
        {"dac/aoml/13857/profiles/R13857_002.nc", (m_save / "small.nc").string(), 3, {}}};
    EXPECT_FALSE(bucket.FetchFiles(sized));
    EXPECT_EQ(sized[0].status.kind, GdacErrorKind::BadData);
    EXPECT_EQ(sized[1].status.kind, GdacErrorKind::BadData);
    EXPECT_FALSE(fs::exists(m_save / "wrongsize_001.nc"));
    EXPECT_FALSE(fs::exists(m_save / "small.nc"));

    // A cancel during a slow transfer stops everything and leaves no file behind.
    std::vector<GdacFetchItem> slow{
        {"dac/coriolis/6901929/profiles/slow_001.nc", (m_save / "slow_001.nc").string(), -1, {}},
        {"dac/aoml/13857/profiles/R13857_001.nc", (m_save / "later.nc").string(), -1, {}}};
    JobControl cancel;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancel.RequestCancel();
    });
    const auto started = std::chrono::steady_clock::now();
    const GdacStatus status = client.FetchFiles(slow, &cancel);
    canceller.join();
    EXPECT_EQ(status.kind, GdacErrorKind::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
    EXPECT_EQ(slow[0].status.kind, GdacErrorKind::Cancelled);
    EXPECT_FALSE(fs::exists(m_save / "slow_001.nc"));
}

TEST_F(GdacClientTest, FetchesTwentyFilesFourAtATime)
{
    std::vector<GdacFetchItem> items;
    for (int i = 0; i < 20; ++i) {
        const std::string rel = "dac/many/" + std::to_string(i) + ".nc";
        GdacTestServer::WriteFile(
            (m_root / "pub" / rel).string(),
            GdacTestServer::Nc(std::string(static_cast<std::size_t>(1000 + i), static_cast<char>('a' + i % 26))));
        items.push_back({rel, (m_save / (std::to_string(i) + ".nc")).string(), -1, {}});
    }
    ASSERT_TRUE(Client(m_server.Url("/gdac")).FetchFiles(items));
    for (const auto& item : items)
        EXPECT_EQ(GdacTestServer::ReadFile(item.localPath), Served(item.remotePath));
    EXPECT_EQ(FilesIn(m_save).size(), 20u);
}

TEST_F(GdacClientTest, HostileServerIsRefusedWithoutHarm)
{
    std::vector<GdacEntry> entries;
    // Folder pages full of names that leave the folder: only the harmless ones.
    ASSERT_TRUE(Client(m_server.Url("/gdac")).List("dac", entries));
    EXPECT_EQ(Names(entries), (std::vector<std::string>{"ok.nc", "sub/"}));
    // Pages without end.
    EXPECT_EQ(Client(m_server.Url("/gdac")).List("endless", entries).kind, GdacErrorKind::BadData);
    const GdacStatus endless = Client("s3+" + m_server.Url("/pub")).List("dac", entries);
    EXPECT_EQ(endless.kind, GdacErrorKind::BadData);
    EXPECT_TRUE(entries.empty());
    // A damaged compressed index keeps the cached one.
    GdacClient client = Client(m_server.Url("/gdac"));
    const std::string cached = client.CachedIndexPath(GdacIndexKind::Core);
    GdacTestServer::WriteFile(cached, "# cached\nfile,date,latitude,longitude\n");
    std::string path;
    EXPECT_EQ(client.UpdateIndex(GdacIndexKind::Core, true, path).kind, GdacErrorKind::BadData);
    EXPECT_EQ(GdacTestServer::ReadFile(cached), "# cached\nfile,date,latitude,longitude\n");
    EXPECT_EQ(FilesIn(fs::path(cached).parent_path()), (std::vector<std::string>{"ar_index_global_prof.txt"}));
}

TEST_F(GdacClientTest, CommandLineSearchAndFetch)
{
    const std::string gdac = m_server.Url("/gdac");
    const std::string ca = GdacTestServer::Certificate();
    const std::string columns = "file,date,latitude,longitude,ocean,profiler_type,institution,date_update\n";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out; // the whole output, or "" for "don't care"
        std::string errHas;
    } cases[] = {
        {{"--wmo", "13857", "--gdac", gdac, "--cacert", ca},
         0,
         columns + "aoml/13857/profiles/R13857_001.nc,19970729200300,0.267,-16.032,A,845,AO,20181011180520\n"
                   "aoml/13857/profiles/R13857_002.nc,19970809192112,0.072,-17.659,A,845,AO,20181011180521\n",
         "2 matching"},
        {{"--gdac", gdac, "--cacert", ca, "--box", "-50,-40,170,-170", "--from", "2020-01-31", "--to", "2020-01-31"},
         0,
         columns + "coriolis/6901929/profiles/R6901929_076.nc,20200131235959,-45.1,-179.5,P,836,IF,20210101000000\n",
         "1 matching"},
        {{"--gdac", gdac, "--cacert", ca, "--wmo", "4900000", "--no-cache"},
         0,
         columns + "meds/4900000/profiles/R4900000_001.nc,20220101000000,50.0,-130.0,P,846,ME,20220101000000\n",
         "1 matching"},
        {{"--gdac", gdac, "--cacert", ca, "--dac", "jma"},
         0,
         columns + "jma/2901623/profiles/R2901623_000.nc,20100601120000,35.2,140.0,P,846,JA,20210101000000\n",
         ""},
        {{"--gdac", gdac, "--cacert", ca, "--wmo", "99"}, 0, columns, "0 matching"},
        {{"--gdac", gdac, "--cacert", ca, "--index", "synthetic", "--wmo", "6901929"}, 0, "", "1 matching"},
        {{"--gdac", gdac, "--cacert", ca, "--index", "bio"}, 1, "", "argo_bio-profile_index.txt"},
        {{"--gdac", m_server.Url("/nothing"), "--cacert", ca}, 1, "", "could not get"},
        {{"--wmo", "12a"}, 2, "", "--wmo"},
        {{"--box", "1,2,3"}, 2, "", "--box"},
        {{"--from", "2020-02-30"}, 2, "", "--from"},
        {{"--index", "all"}, 2, "", "--index"},
        {{"--gdac", "gopher://x"}, 2, "", "scheme"},
        {{"--wmo"}, 2, "", "needs a value"},
        {{"extra"}, 2, "", "takes no file"},
    };
    for (const auto& c : cases) {
        const Captured r = RunCommand("--search", c.args);
        EXPECT_EQ(r.status, c.status) << c.args.front() << " " << r.err;
        if (!c.out.empty()) {
            EXPECT_EQ(r.out, c.out) << c.args.front();
        }
        EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
    }

    // Fetch: each local path printed; a failure exits 1 and keeps the old file.
    const std::string dir = m_save.string();
    Captured r = RunCommand("--fetch", {"aoml/13857/profiles/R13857_001.nc", "coriolis/6901929/6901929_meta.nc",
                                        "--gdac", gdac, "--cacert", ca, "-o", dir});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, dir + "/R13857_001.nc\n" + dir + "/6901929_meta.nc\n");
    EXPECT_EQ(GdacTestServer::ReadFile(dir + "/R13857_001.nc"), GdacTestServer::Nc("profile one\n"));
    GdacTestServer::WriteFile(dir + "/cut_001.nc", "old\n");
    r = RunCommand("--fetch", {"coriolis/6901929/profiles/cut_001.nc", "aoml/13857/profiles/R13857_002.nc", "--gdac",
                               gdac, "--cacert", ca, "-o", dir});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, dir + "/R13857_002.nc\n");
    EXPECT_NE(r.err.find("cut_001.nc"), std::string::npos);
    EXPECT_EQ(GdacTestServer::ReadFile(dir + "/cut_001.nc"), "old\n");
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"/etc/passwd"},
                                                {"a/../b.nc"},
                                                {"a\\b.nc"},
                                                {"a//b.nc"},
                                                {},
                                                {"x.nc", "--bogus"},
                                                {"x.nc", "-o"}}) {
        r = RunCommand("--fetch", bad);
        EXPECT_EQ(r.status, 2) << (bad.empty() ? "" : bad.front());
    }
    r = RunCommand("--fetch", {"x.nc", "--gdac", gdac, "--cacert", ca, "-o", dir + "/missing"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(dir + "/missing"), std::string::npos);
    EXPECT_EQ(FilesIn(m_save),
              (std::vector<std::string>{"6901929_meta.nc", "R13857_001.nc", "R13857_002.nc", "cut_001.nc"}));
}

// A float's whole-float files found through the index and the float's folder, and the
// search drawn as a map: what the commands hand on, what they refuse.
TEST_F(GdacClientTest, CommandLineFloatFilesAndSearchMap)
{
    const std::string gdac = m_server.Url("/gdac");
    const std::string ca = GdacTestServer::Certificate();
    const std::string dir = m_save.string();
    Captured r = RunCommand("--fetch-float", {"13857", "--gdac", gdac, "--cacert", ca, "-o", dir});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, dir + "/13857_prof.nc\n" + dir + "/13857_Sprof.nc\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(GdacTestServer::ReadFile(dir + "/13857_Sprof.nc"), GdacTestServer::Nc("synthetic\n"));
    EXPECT_EQ(GdacTestServer::ReadFile(dir + "/13857_prof.nc"),
              GdacTestServer::ReadFile(std::string(BW_TEST_DATA_DIR) + "/2902696_prof.nc"));
    // Again: the files are replaced, and the command says so.
    r = RunCommand("--fetch-float", {"13857", "--dac", "aoml", "--gdac", gdac, "--cacert", ca, "-o", dir});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "brinewick: replaced " + dir + "/13857_prof.nc\nbrinewick: replaced " + dir + "/13857_Sprof.nc\n");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string errHas;
    } cases[] = {
        {{"99", "--gdac", gdac, "--cacert", ca, "-o", dir}, 1, "names no float 99"},
        {{"6901929", "--gdac", gdac, "--cacert", ca, "-o", dir}, 1, "holds no 6901929_prof.nc"},
        {{"13857", "--dac", "../x", "--gdac", gdac, "-o", dir}, 2, "--dac"},
        {{"13857", "--gdac", gdac, "--cacert", ca, "-o", dir + "/missing"}, 1, "does not exist"},
        {{"13857", "14000"}, 2, "more than one given"},
        {{"12a"}, 2, "one WMO"},
        {{"13857", "--bogus"}, 2, "unknown option"},
    };
    for (const auto& c : cases) {
        r = RunCommand("--fetch-float", c.args);
        EXPECT_EQ(r.status, c.status) << c.args.front() << " " << r.err;
        EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
    }

    // --map hands the matches to the writer instead of printing them.
    SearchMap drawn;
    SearchRequest request;
    request.gdac = gdac;
    request.cacert = ca;
    request.query.dac = "coriolis";
    request.map = true;
    request.mapOutput = dir + "/m.PNG";
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(run_search_command(request, out, err,
                                 [&](const SearchMap& map) {
                                     drawn = map;
                                     return 0;
                                 }),
              0);
    EXPECT_EQ(std::ftell(out), 0L);
    EXPECT_EQ(drawn.output, dir + "/m.PNG");
    EXPECT_EQ(drawn.points.size(), 3u); // R6901929_077 has no position
    EXPECT_EQ(drawn.title, "core index, DAC coriolis: 4 profiles");
    EXPECT_EQ(run_search_command(request, out, err), 2); // no writer: refused
    std::fclose(out);
    std::fclose(err);
    const Case refused[] = {
        {{"--gdac", gdac, "--map"}, 2, "--map needs -o"},
        {{"--gdac", gdac, "-o", dir + "/m.png"}, 2, "-o goes with --map"},
        {{"--gdac", gdac, "--map", "-o", dir + "/m.jpg"}, 2, ".png, .svg or .pdf"},
    };
    for (const auto& c : refused) {
        r = RunCommand("--search", c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
    }
}

// Answers no Argo server gives: one that stalls, one without end, an error page sent
// as a file. Each is refused, keeps the old local file and leaves no temporary file;
// requests that would write one name twice are refused before any transfer.
TEST_F(GdacClientTest, StalledEndlessAndWrongAnswersAreRefused)
{
    GdacOptions options = Options();
    options.stallSeconds = 2;
    options.maxFileBytes = 1u << 20;
    GdacClient client = Client(m_server.Url("/gdac"), options);
    const std::string profiles = "dac/coriolis/6901929/profiles/";
    const struct {
        const char* name;
        GdacErrorKind kind;
        const char* says;
    } cases[] = {
        {"stall_001.nc", GdacErrorKind::Network, ""},
        {"huge_001.nc", GdacErrorKind::BadData, "larger than 1048576 bytes"},
        {"html_001.nc", GdacErrorKind::BadData, "not a netCDF file"},
        {"R13857_001.nc", GdacErrorKind::None, ""}, // a real one beside them
    };
    std::vector<GdacFetchItem> items;
    for (const auto& c : cases) {
        GdacTestServer::WriteFile((m_save / c.name).string(), "old\n");
        const std::string dir = c.kind == GdacErrorKind::None ? "dac/aoml/13857/profiles/" : profiles;
        items.push_back({dir + c.name, (m_save / c.name).string(), -1, {}});
    }
    EXPECT_FALSE(client.FetchFiles(items));
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].status.kind, cases[i].kind) << cases[i].name << ": " << items[i].status.message;
        EXPECT_NE(items[i].status.message.find(cases[i].says), std::string::npos) << items[i].status.message;
        EXPECT_EQ(GdacTestServer::ReadFile(items[i].localPath),
                  cases[i].kind == GdacErrorKind::None ? Served(items[i].remotePath) : "old\n");
    }
    EXPECT_EQ(FilesIn(m_save),
              (std::vector<std::string>{"R13857_001.nc", "html_001.nc", "huge_001.nc", "stall_001.nc"}));

    // The command line: the size limit as an option, a shared target refused before
    // any transfer, a standard output that refuses the names.
    const std::string gdac = m_server.Url("/gdac");
    const std::string ca = GdacTestServer::Certificate();
    const std::string dir = (m_save / "cli").string();
    fs::create_directories(dir);
    Captured r = RunCommand("--fetch", {"coriolis/6901929/profiles/huge_002.nc", "--max-size", "100000", "--gdac", gdac,
                                        "--cacert", ca, "-o", dir});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("larger than 100000 bytes (a larger limit: --max-size)"), std::string::npos) << r.err;
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"aoml/13857/profiles/R13857_001.nc", "x/profiles/R13857_001.nc"},
          {"a.nc", "--max-size", "12x"},
          {"a.nc", "--max-size", "0"}}) {
        r = RunCommand("--fetch", [&] {
            auto args = bad;
            args.insert(args.end(), {"--gdac", gdac, "--cacert", ca, "-o", dir});
            return args;
        }());
        EXPECT_EQ(r.status, 2) << bad.back();
    }
    EXPECT_NE(r.err.find("--max-size"), std::string::npos);
    EXPECT_TRUE(FilesIn(dir).empty());
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(RunMode("--fetch", {"aoml/13857/profiles/R13857_002.nc", "--gdac", gdac, "--cacert", ca, "-o", dir},
                      LocalReader(), full, err),
              1);
    std::fclose(full);
    std::fclose(err);
}
