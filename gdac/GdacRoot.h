#pragma once
// Where a GDAC lives: a root URL (https, http, an S3 bucket over https, ftp, or a local
// mirror through file://) holding dac/ and the index files, and the paths below it.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class GdacScheme { Http, S3, Ftp, File };

struct GdacRoot {
    GdacScheme scheme = GdacScheme::Http;
    std::string url;      // as given, without a trailing "/"
    std::string base;     // the root as a URL libcurl reads (no "s3+"), no trailing "/"
    std::string endpoint; // scheme://host[:port] (the S3 bucket's listing endpoint)
    std::string host;     // host name (FTP log-in)
    int port = 0;         // 0: the scheme's default
    std::string path;     // the root's path, percent-decoded, "" for the server's top
};

// Reads a GDAC root URL. An S3 bucket is recognised by an Amazon S3 host name
// ("BUCKET.s3-REGION.amazonaws.com", "BUCKET.s3.REGION.amazonaws.com") or written as
// "s3+https://HOST/PREFIX" for other S3-compatible stores. Nothing on success goes
// into `error`; a URL with user data, a query, a fragment or control bytes is refused.
std::optional<GdacRoot> ParseGdacRoot(std::string_view url, std::string* error);

// The server choices offered by the window, the first the default.
struct GdacServer {
    std::string label;
    std::string url;
};
std::vector<GdacServer> DefaultGdacServers();
std::string DefaultGdacUrl();

// True when `path` (a file as written in an index's `file` column, or any path below
// the root) stays below where it is put: relative, parts separated by single "/",
// none empty, ".", "..", or holding "\" or control bytes, and valid UTF-8.
bool IsSafeRelativePath(std::string_view path);

// The URL of `relative` (a safe relative path; "" is the root itself) below the root,
// each part percent-encoded; a folder gets a trailing "/".
std::string GdacUrlOf(const GdacRoot& root, std::string_view relative, bool folder = false);

// The last part of a path ("a/b/c.nc" gives "c.nc").
std::string_view LastPart(std::string_view path);
