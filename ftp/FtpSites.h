#pragma once
// The data centres the FTP dialog offers, in the order of its site list.
#include <string>
#include <vector>

struct FtpSite {
    std::string label; // text of the site list item
    std::string host;  // empty: the entry connects to nothing
    int port = 21;
    std::string startDir; // directory shown after logging in
};

// Index 0 is the empty entry; every other entry is a data centre.
std::vector<FtpSite> DefaultFtpSites();
