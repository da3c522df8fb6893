#pragma once
// Reading a GDAC folder listing from what a server sends: an HTML index page (Apache or
// nginx style, or the simple link lists other servers write) or one page of an S3
// ListObjectsV2 answer. Every name is the server's word: only single, safe names
// (see IsSafeLocalFileName) are kept.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct GdacEntry {
    std::string name;
    bool isDirectory = false;
    std::int64_t size = -1; // bytes, -1 when the listing does not say
};

// The links of an index page that name an entry of the folder itself: sort links
// ("?C=N;O=D"), the parent, absolute links and links to other sites are dropped, and
// a name is kept once, in page order. Folders are the links ending in "/".
std::vector<GdacEntry> ParseHtmlIndex(std::string_view html);

// One page of an S3 listing of `prefix` (ending in "/", or empty for the bucket's top).
struct S3Page {
    std::vector<GdacEntry> entries;
    bool truncated = false;
    std::string nextToken; // continuation token when truncated
};
// Nothing when the text is not a ListBucketResult document.
std::optional<S3Page> ParseS3Listing(std::string_view xml, std::string_view prefix);

// Decodes the five XML/HTML named entities and numeric character references; an
// unknown entity is kept as it stands.
std::string DecodeEntities(std::string_view text);
