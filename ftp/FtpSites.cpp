#include "ftp/FtpSites.h"

std::vector<FtpSite> DefaultFtpSites()
{
    // All data centres are served by Ifremer's anonymous FTP host; Coriolis keeps the
    // Argo GDAC's dac/ tree under /ifremer/argo.
    const std::string host = "ftp.ifremer.fr";
    return {
        {"", "", 21, ""},
        {"TALVERA", host, 21, "/pub/argo"},
        {"Ifremer", host, 21, "/pub/argo"},
        {"Argo France", host, 21, "/pub/argo"},
        {"Coriolis GDAC", host, 21, "/ifremer/argo"},
    };
}
