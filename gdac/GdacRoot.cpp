#include "gdac/GdacRoot.h"

#include <algorithm>
#include <cctype>

#include "ftp/FtpListing.h"

namespace {

std::string Lower(std::string_view s)
{
    std::string out(s);
    for (auto& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool EndsWith(std::string_view s, std::string_view tail)
{
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Percent-decodes; nothing when an escape is broken.
std::optional<std::string> Decode(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size() || HexValue(s[i + 1]) < 0 || HexValue(s[i + 2]) < 0)
            return std::nullopt;
        out += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
        i += 2;
    }
    return out;
}

std::string Encode(std::string_view part)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : part) {
        const auto c = static_cast<unsigned char>(ch);
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

bool Fail(std::string* error, const char* why)
{
    if (error)
        *error = why;
    return false;
}

} // namespace

std::optional<GdacRoot> ParseGdacRoot(std::string_view url, std::string* error)
{
    while (!url.empty() && (url.back() == '/' || url.back() == ' '))
        url.remove_suffix(1);
    while (!url.empty() && url.front() == ' ')
        url.remove_prefix(1);
    for (const char ch : url)
        if (const auto c = static_cast<unsigned char>(ch); c < 0x21 || c == 0x7f || c == '?' || c == '#' || c == '\\') {
            Fail(error, "the URL holds spaces, control bytes, a query or a fragment");
            return std::nullopt;
        }
    const auto sep = url.find("://");
    if (sep == std::string_view::npos) {
        Fail(error, "the URL has no scheme (https://, http://, ftp:// or file://)");
        return std::nullopt;
    }
    const std::string scheme = Lower(url.substr(0, sep));
    std::string_view rest = url.substr(sep + 3);
    const auto slash = rest.find('/');
    const std::string_view authority = rest.substr(0, slash);
    const std::string_view rawPath = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);

    GdacRoot root;
    root.url = std::string(url);
    std::string plainScheme = scheme;
    if (scheme == "https" || scheme == "http")
        root.scheme = GdacScheme::Http;
    else if (scheme == "s3+https" || scheme == "s3+http") {
        root.scheme = GdacScheme::S3;
        plainScheme = scheme.substr(3);
    } else if (scheme == "ftp")
        root.scheme = GdacScheme::Ftp;
    else if (scheme == "file")
        root.scheme = GdacScheme::File;
    else {
        Fail(error, "unsupported scheme (https://, http://, ftp:// or file://)");
        return std::nullopt;
    }
    if (authority.find('@') != std::string_view::npos) {
        Fail(error, "the URL must not carry a user name");
        return std::nullopt;
    }
    if (root.scheme == GdacScheme::File) {
        if (!authority.empty() && Lower(authority) != "localhost") {
            Fail(error, "a file:// URL names a local folder (file:///path)");
            return std::nullopt;
        }
    } else {
        // host, [v6]:port or host:port
        std::string_view host = authority;
        std::string_view port;
        if (!host.empty() && host.front() == '[') {
            const auto close = host.find(']');
            if (close == std::string_view::npos) {
                Fail(error, "broken IPv6 address");
                return std::nullopt;
            }
            if (close + 1 < host.size()) {
                if (host[close + 1] != ':') {
                    Fail(error, "broken host");
                    return std::nullopt;
                }
                port = host.substr(close + 2);
            }
            host = host.substr(1, close - 1);
        } else if (const auto colon = host.rfind(':'); colon != std::string_view::npos) {
            port = host.substr(colon + 1);
            host = host.substr(0, colon);
        }
        if (host.empty()) {
            Fail(error, "the URL has no host");
            return std::nullopt;
        }
        if (!port.empty()) {
            int value = 0;
            for (char c : port) {
                if (c < '0' || c > '9' || value > 65535) {
                    Fail(error, "bad port");
                    return std::nullopt;
                }
                value = value * 10 + (c - '0');
            }
            if (value <= 0 || value > 65535) {
                Fail(error, "bad port");
                return std::nullopt;
            }
            root.port = value;
        }
        root.host = std::string(host);
        const std::string lowHost = Lower(host);
        if (root.scheme == GdacScheme::Http && EndsWith(lowHost, ".amazonaws.com") &&
            (lowHost.find(".s3.") != std::string::npos || lowHost.find(".s3-") != std::string::npos))
            root.scheme = GdacScheme::S3;
    }
    const auto path = Decode(rawPath);
    if (!path) {
        Fail(error, "broken %-escape in the URL");
        return std::nullopt;
    }
    root.path = *path;
    if (!root.path.empty() && root.path != "/" && !IsSafeRelativePath(std::string_view(root.path).substr(1))) {
        Fail(error, "the URL's path holds empty, \".\" or \"..\" parts");
        return std::nullopt;
    }
    if (root.path == "/")
        root.path.clear();
    if (root.scheme == GdacScheme::File && root.path.empty()) {
        Fail(error, "a file:// URL names a local folder (file:///path)");
        return std::nullopt;
    }
    root.endpoint = plainScheme + "://" + std::string(authority);
    // The path is written again from its decoded parts, so the URL libcurl sees is
    // encoded the one way this program encodes every path.
    std::string encoded;
    std::string_view p = root.path;
    while (!p.empty()) {
        p.remove_prefix(1);
        const auto next = p.find('/');
        encoded += '/';
        encoded += Encode(p.substr(0, next));
        p = next == std::string_view::npos ? std::string_view() : p.substr(next);
    }
    root.base = root.endpoint + encoded;
    return root;
}

std::vector<GdacServer> DefaultGdacServers()
{
    return {
        {"Ifremer (HTTPS)", "https://data-argo.ifremer.fr"},
        {"US GDAC (HTTPS)", "https://nrlgodae1.nrlmry.navy.mil/pub/outgoing/argo"},
        {"Argo S3 sandbox (HTTPS)", "https://argo-gdac-sandbox.s3-eu-west-3.amazonaws.com/pub"},
        {"Ifremer (FTP)", "ftp://ftp.ifremer.fr/ifremer/argo"},
    };
}

std::string DefaultGdacUrl()
{
    return DefaultGdacServers().front().url;
}

bool IsSafeRelativePath(std::string_view path)
{
    if (path.empty())
        return false;
    while (true) {
        const auto slash = path.find('/');
        if (!IsSafeLocalFileName(path.substr(0, slash)))
            return false;
        if (slash == std::string_view::npos)
            return true;
        path.remove_prefix(slash + 1);
    }
}

std::string GdacUrlOf(const GdacRoot& root, std::string_view relative, bool folder)
{
    std::string url = root.base;
    while (!relative.empty()) {
        const auto slash = relative.find('/');
        url += '/';
        url += Encode(relative.substr(0, slash));
        relative = slash == std::string_view::npos ? std::string_view() : relative.substr(slash + 1);
    }
    if (folder)
        url += '/';
    return url;
}

std::string_view LastPart(std::string_view path)
{
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}
