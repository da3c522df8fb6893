#pragma once
// Parsing of FTP server replies: directory listings (MLSD and LIST) and the PWD reply,
// plus the check that decides whether a server-supplied name may become a local file name.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One entry of a server directory listing. Names are kept as the server's bytes.
struct FtpEntry {
    std::string name;
    bool isDirectory = false; // directories and symbolic links (which may lead to one)
};

// Parses one MLSD line ("type=file;size=3; a.nc"). Returns nothing for lines that are
// not entries, for the current-directory entry (type=cdir) and for types that are
// neither files, directories nor links.
std::optional<FtpEntry> ParseMlsdLine(std::string_view line);

// Parses one LIST line in the Unix "ls -l" layout or the DOS/IIS layout. A symbolic
// link is returned as a directory under its own name, without " -> target".
// Returns nothing for "total" lines, devices and anything unrecognised.
std::optional<FtpEntry> ParseListLine(std::string_view line);

// Splits a whole listing (CR LF or LF line ends) and parses every line.
std::vector<FtpEntry> ParseListing(std::string_view text, bool mlsd);

// Extracts the directory from a "257" PWD reply line ('257 "/pub/argo" is ...'),
// undoubling embedded quotes. Returns nothing if the line is not such a reply.
std::optional<std::string> ParsePwdReply(std::string_view line);

// True when a name may be sent to the server in a command: not empty and free of
// NUL, CR and LF, which would end or split the command line.
bool IsSafeCommandArgument(std::string_view name);

// True when a remote name may be used as a file name in a local folder: valid UTF-8,
// no "/" or "\", no control bytes, not "." or "..", not empty.
bool IsSafeLocalFileName(std::string_view name);
