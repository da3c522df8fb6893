#include "GdacTestServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const char kComments[] =
    "# Title : Profile directory file of the Argo Global Data Assembly Center\n"
    "# Description : The directory file describes all individual profile files of the argo GDAC ftp site.\n"
    "# Project : ARGO\n"
    "# Format version : 2.0\n"
    "# Date of update : 20240501100000\n"
    "# FTP root number 1 : ftp://ftp.ifremer.fr/ifremer/argo/dac\n"
    "# FTP root number 2 : ftp://usgodae.org/pub/outgoing/argo/dac\n"
    "# GDAC node : CORIOLIS\n";

const char kRows[] = "aoml/13857/profiles/R13857_001.nc,19970729200300,0.267,-16.032,A,845,AO,20181011180520\n"
                     "aoml/13857/profiles/R13857_002.nc,19970809192112,0.072,-17.659,A,845,AO,20181011180521\n"
                     "coriolis/6901929/profiles/D6901929_075.nc,20200101000000,-45.5,179.5,I,836,IF,20210101000000\n"
                     "coriolis/6901929/profiles/R6901929_076.nc,20200131235959,-45.1,-179.5,P,836,IF,20210101000000\n"
                     "coriolis/6901929/profiles/R6901929_077.nc,20200201000000,,,P,836,IF,20210101000000\n"
                     "csiro/5900446/profiles/D5900446_001.nc,,-30.0,120.0,I,846,CS,20210101000000\n"
                     "jma/2901623/profiles/R2901623_000.nc,20100601120000,35.2,140.0,P,846,JA,20210101000000\r\n"
                     "coriolis/6901929/profiles/cut_001.nc,20190101000000,10.0,10.0,A,836,IF,20210101000000\n"
                     "a line without commas\n"
                     "aoml/1/x.nc,2020,notanumber,abc\n";

std::string Run(const std::string& command)
{
    return std::system(command.c_str()) == 0 ? "ok" : "";
}

} // namespace

const char* GdacTestServer::CoreIndexRows()
{
    return kRows;
}

std::string GdacTestServer::Certificate()
{
    // The folder goes when the test process ends.
    struct Folder {
        std::string path;
        ~Folder()
        {
            std::error_code ec;
            if (!path.empty())
                fs::remove_all(path, ec);
        }
    };
    static Folder folder;
    static const std::string cert = [] {
        char dirTemplate[] = "/tmp/bw_gdac_cert_XXXXXX";
        const char* dir = mkdtemp(dirTemplate);
        if (!dir)
            return std::string();
        const std::string base = dir;
        folder.path = base;
        const std::string command = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"
                                    " -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout '" +
                                    base + "/key.pem' -out '" + base + "/cert.pem' >/dev/null 2>&1";
        if (Run(command).empty())
            return std::string();
        return base + "/cert.pem";
    }();
    return cert;
}

bool GdacTestServer::Start(const std::string& root, const std::string& mode)
{
    Stop();
    const std::string cert = Certificate();
    if (cert.empty())
        return false;
    const std::string key = fs::path(cert).parent_path() / "key.pem";
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0)
        return false;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return false;
    }
    const std::string script = std::string(BW_SOURCE_DIR) + "/tests/gdac/gdac_test_server.py";
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        execl("/usr/bin/python3", "python3", script.c_str(), root.c_str(), cert.c_str(), key.c_str(), mode.c_str(),
              static_cast<char*>(nullptr));
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

void GdacTestServer::Stop()
{
    if (m_stdin >= 0) {
        close(m_stdin);
        m_stdin = -1;
    }
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    m_port = 0;
}

std::string GdacTestServer::Url(const std::string& path) const
{
    return "https://127.0.0.1:" + std::to_string(m_port) + path;
}

std::string GdacTestServer::ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void GdacTestServer::WriteFile(const std::string& path, const std::string& bytes)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

void GdacTestServer::MakeGdacTree(const std::string& root)
{
    const fs::path pub = fs::path(root) / "pub";
    const std::string header = "file,date,latitude,longitude,ocean,profiler_type,institution,date_update\n";
    const std::string plain = std::string(kComments) + header + kRows;
    WriteFile((pub / "ar_index_global_prof.txt").string(), plain);
    const std::string extra =
        "meds/4900000/profiles/R4900000_001.nc,20220101000000,50.0,-130.0,P,846,ME,20220101000000\n";
    const std::string gzPath = (pub / "ar_index_global_prof.txt.gz").string();
    gzFile gz = gzopen(gzPath.c_str(), "wb");
    const std::string zipped = plain + extra;
    gzwrite(gz, zipped.data(), static_cast<unsigned>(zipped.size()));
    gzclose(gz);
    WriteFile((pub / "argo_synthetic-profile_index.txt").string(),
              std::string(kComments) +
                  "file,date,latitude,longitude,ocean,profiler_type,institution,parameters,parameter_data_mode,"
                  "date_update\n"
                  "coriolis/6901929/profiles/SD6901929_075.nc,20200101000000,-45.5,179.5,I,836,IF,PRES TEMP DOXY,DDA,"
                  "20210101000000\n");
    const fs::path aoml = pub / "dac" / "aoml" / "13857" / "profiles";
    WriteFile((aoml / "R13857_001.nc").string(), Nc("profile one\n"));
    WriteFile((aoml / "R13857_002.nc").string(), Nc("profile two\n"));
    // The float's whole-float files: a real core file (the overview can show it) and a small synthetic one.
    fs::copy_file(fs::path(BW_TEST_DATA_DIR) / "2902696_prof.nc", aoml.parent_path() / "13857_prof.nc",
                  fs::copy_options::overwrite_existing);
    WriteFile((aoml.parent_path() / "13857_Sprof.nc").string(), Nc("synthetic\n"));
    const fs::path coriolis = pub / "dac" / "coriolis" / "6901929";
    WriteFile((coriolis / "6901929_meta.nc").string(), Nc("meta\n"));
    fs::create_directories(coriolis / "profiles");
    fs::copy_file(fs::path(BW_TEST_DATA_DIR) / "D6901929_075.nc", coriolis / "profiles" / "D6901929_075.nc",
                  fs::copy_options::overwrite_existing);
    WriteFile((coriolis / "profiles" / "cut_001.nc").string(), Nc(std::string(100000, 'c')));
    WriteFile((coriolis / "profiles" / "wrongsize_001.nc").string(), Nc("twelve bytes"));
    std::string big(4u << 20, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 + 3);
    big.replace(0, 4, Nc(""));
    WriteFile((coriolis / "profiles" / "slow_001.nc").string(), big);
}
