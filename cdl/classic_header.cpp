#include "cdl/classic_header.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string_view>
#include <vector>

namespace {

constexpr std::uint32_t kTagDimension = 0x0A;
constexpr std::uint32_t kTagVariable = 0x0B;
constexpr std::uint32_t kTagAttribute = 0x0C;
constexpr std::uint64_t kMaxName = 256;     // the library's NC_MAX_NAME
constexpr std::uint64_t kMaxVarDims = 1024; // the library's NC_MAX_VAR_DIMS
constexpr std::uint64_t kStreaming32 = 0xFFFFFFFFULL;

struct Malformed {
    std::string what;
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Sequential big-endian reader over the file, pulling blocks on demand, that never
// reads past the end: running out of bytes means the header is cut short.
class HeaderReader {
public:
    HeaderReader(std::FILE* f, std::uint64_t size) : m_file(f), m_size(size) {}

    std::uint64_t pos() const { return m_pos; }
    std::uint64_t remaining() const { return m_size - m_pos; }

    void need(std::uint64_t n)
    {
        if (n > remaining())
            throw Malformed{"the header is cut short"};
    }

    std::uint64_t uint(int bytes)
    {
        need(static_cast<std::uint64_t>(bytes));
        std::uint64_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v = (v << 8) | byte();
        return v;
    }

    std::string text(std::uint64_t n)
    {
        need(n);
        std::string s;
        s.reserve(static_cast<std::size_t>(n));
        for (std::uint64_t i = 0; i < n; ++i)
            s.push_back(static_cast<char>(byte()));
        return s;
    }

    void skip(std::uint64_t n)
    {
        need(n);
        // Skipping whole blocks keeps large attribute values cheap.
        while (n > 0) {
            if (m_at < m_len) {
                std::uint64_t take = std::min<std::uint64_t>(n, m_len - m_at);
                m_at += static_cast<std::size_t>(take);
                m_pos += take;
                n -= take;
            } else {
                m_pos += n;
                std::fseek(m_file, static_cast<long>(m_pos), SEEK_SET);
                m_at = m_len = 0;
                n = 0;
            }
        }
    }

private:
    unsigned char byte()
    {
        if (m_at == m_len) {
            m_len = std::fread(m_block, 1, sizeof m_block, m_file);
            m_at = 0;
            if (m_len == 0)
                throw Malformed{"the file could not be read"};
        }
        ++m_pos;
        return m_block[m_at++];
    }

    std::FILE* m_file;
    std::uint64_t m_size;
    std::uint64_t m_pos = 0;
    unsigned char m_block[65536];
    std::size_t m_at = 0;
    std::size_t m_len = 0;
};

std::uint64_t type_size(std::uint64_t type, int version)
{
    switch (type) {
    case 1:
    case 2: return 1; // byte, char
    case 3: return 2; // short
    case 4:
    case 5: return 4; // int, float
    case 6: return 8; // double
    default: break;
    }
    if (version == 5) {
        switch (type) {
        case 7: return 1; // ubyte
        case 8: return 2; // ushort
        case 9: return 4; // uint
        case 10:
        case 11: return 8; // int64, uint64
        default: break;
        }
    }
    return 0;
}

std::uint64_t pad4(std::uint64_t n)
{
    return (n + 3) & ~std::uint64_t{3};
}

// "a" or "an" before a word.
std::string with_article(const char* word)
{
    return std::string(word[0] && std::strchr("aeiou", word[0]) ? "an " : "a ") + word;
}

// a * b, or throws when it does not fit in 63 bits.
std::uint64_t checked_mul(std::uint64_t a, std::uint64_t b, const char* what)
{
    if (a != 0 && b > (std::uint64_t{1} << 62) / a)
        throw Malformed{std::string("the size of ") + what + " is out of range"};
    return a * b;
}

std::uint64_t checked_add(std::uint64_t a, std::uint64_t b, const char* what)
{
    if (b > (std::uint64_t{1} << 62) - a)
        throw Malformed{std::string("the size of ") + what + " is out of range"};
    return a + b;
}

bool valid_utf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t extra;
        if (c < 0x80)
            extra = 0;
        else if (c >= 0xC2 && c <= 0xDF)
            extra = 1;
        else if ((c & 0xF0) == 0xE0)
            extra = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            extra = 3;
        else
            return false;
        if (extra > s.size() - i - 1)
            return false;
        for (std::size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += extra + 1;
    }
    return true;
}

class HeaderParser {
public:
    HeaderParser(HeaderReader& r, int version) : m_r(r), m_version(version) {}

    std::uint64_t count() { return m_r.uint(m_version == 5 ? 8 : 4); }

    // A list's element count, refused when even the smallest elements could not fit
    // in what is left of the file.
    std::uint64_t list_count(std::uint64_t min_element_bytes, const char* what)
    {
        std::uint64_t n = count();
        if (n > m_r.remaining() / min_element_bytes)
            throw Malformed{std::string("the number of ") + what + " is larger than the file allows"};
        return n;
    }

    std::string name(const char* what)
    {
        std::uint64_t len = count();
        if (len == 0 || len > kMaxName)
            throw Malformed{with_article(what) + " name has a bad length"};
        std::string s = m_r.text(len);
        m_r.skip(pad4(len) - len);
        for (unsigned char c : s)
            if (c < 0x20 || c == 0x7F || c == '/')
                throw Malformed{with_article(what) + " name holds a control character or '/'"};
        if (!valid_utf8(s))
            throw Malformed{with_article(what) + " name is not valid UTF-8"};
        return s;
    }

    // Reads a list header; returns the element count, or 0 for an absent list.
    std::uint64_t list_header(std::uint32_t tag, std::uint64_t min_element_bytes, const char* what)
    {
        std::uint64_t t = m_r.uint(4);
        if (t == 0) {
            if (count() != 0)
                throw Malformed{std::string("the list of ") + what + " is malformed"};
            return 0;
        }
        if (t != tag)
            throw Malformed{std::string("the list of ") + what + " has a wrong tag"};
        return list_count(min_element_bytes, what);
    }

    void attributes(const char* owner)
    {
        std::uint64_t n = list_header(kTagAttribute, 12, "attributes");
        std::set<std::string> seen;
        for (std::uint64_t i = 0; i < n; ++i) {
            std::string nm = name("attribute");
            if (!seen.insert(nm).second)
                throw Malformed{std::string("two attributes of ") + owner + " share the name " + nm};
            std::uint64_t type = m_r.uint(4);
            std::uint64_t tsize = type_size(type, m_version);
            if (tsize == 0)
                throw Malformed{"attribute " + nm + " has an unknown type"};
            std::uint64_t len = count();
            std::uint64_t bytes = checked_mul(len, tsize, "an attribute");
            if (bytes > m_r.remaining())
                throw Malformed{"the values of attribute " + nm + " run past the end of the file"};
            m_r.skip(pad4(bytes));
        }
    }

    HeaderReader& m_r;
    int m_version;
};

struct Dim {
    std::uint64_t length;
};

struct Var {
    std::string name;
    std::vector<std::uint64_t> dims;
    std::uint64_t type_size;
    std::uint64_t begin;
};

} // namespace

ClassicHeaderCheck check_classic_header(const std::string& path)
{
    ClassicHeaderCheck result;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return result;
    if (std::fseek(file.get(), 0, SEEK_END) != 0)
        return result;
    long end = std::ftell(file.get());
    if (end < 0)
        return result;
    std::rewind(file.get());
    result.file_size = static_cast<std::uint64_t>(end);

    unsigned char magic[4] = {0, 0, 0, 0};
    if (std::fread(magic, 1, 4, file.get()) != 4 || magic[0] != 'C' || magic[1] != 'D' || magic[2] != 'F' ||
        (magic[3] != 1 && magic[3] != 2 && magic[3] != 5))
        return result;
    result.is_classic = true;
    int version = magic[3];
    std::rewind(file.get());

    auto reader = std::make_unique<HeaderReader>(file.get(), result.file_size);
    HeaderReader& r = *reader;
    try {
        r.skip(4);
        HeaderParser p(r, version);
        std::uint64_t numrecs = p.count();
        bool streaming = version != 5 && numrecs == kStreaming32;

        std::uint64_t ndims = p.list_header(kTagDimension, 8, "dimensions");
        std::vector<Dim> dims;
        std::set<std::string> dim_names;
        int record_dims = 0;
        for (std::uint64_t i = 0; i < ndims; ++i) {
            std::string nm = p.name("dimension");
            if (!dim_names.insert(nm).second)
                throw Malformed{"two dimensions share the name " + nm};
            std::uint64_t len = p.count();
            if (len == 0 && ++record_dims > 1)
                throw Malformed{"more than one dimension is unlimited"};
            dims.push_back({len});
        }

        p.attributes("the file");

        std::uint64_t nvars = p.list_header(kTagVariable, 24, "variables");
        std::vector<Var> vars;
        std::set<std::string> var_names;
        for (std::uint64_t i = 0; i < nvars; ++i) {
            Var v;
            v.name = p.name("variable");
            if (!var_names.insert(v.name).second)
                throw Malformed{"two variables share the name " + v.name};
            std::uint64_t nd = p.count();
            if (nd > kMaxVarDims || nd > r.remaining() / 4)
                throw Malformed{"variable " + v.name + " has too many dimensions"};
            for (std::uint64_t k = 0; k < nd; ++k) {
                std::uint64_t id = p.count();
                if (id >= dims.size())
                    throw Malformed{"variable " + v.name + " names a dimension that does not exist"};
                if (dims[id].length == 0 && k != 0)
                    throw Malformed{"variable " + v.name + " uses the unlimited dimension other than first"};
                v.dims.push_back(id);
            }
            p.attributes(("variable " + v.name).c_str());
            std::uint64_t type = r.uint(4);
            v.type_size = type_size(type, version);
            if (v.type_size == 0)
                throw Malformed{"variable " + v.name + " has an unknown type"};
            p.count(); // vsize: recomputed below from the shape
            v.begin = r.uint(version == 1 ? 4 : 8);
            vars.push_back(std::move(v));
        }
        std::uint64_t header_end = r.pos();

        // The size the variables need: fixed variables end at begin + size; record
        // variables hold one slab per record, records being the sum of their slabs.
        std::uint64_t implied = header_end;
        std::uint64_t record_size = 0;
        int record_vars = 0;
        std::vector<std::uint64_t> slab(vars.size(), 0);
        for (std::size_t i = 0; i < vars.size(); ++i) {
            const Var& v = vars[i];
            if (v.begin < header_end)
                throw Malformed{"the data of variable " + v.name + " begins inside the header"};
            bool is_record = !v.dims.empty() && dims[v.dims[0]].length == 0;
            std::uint64_t n = v.type_size;
            for (std::size_t k = is_record ? 1 : 0; k < v.dims.size(); ++k)
                n = checked_mul(n, dims[v.dims[k]].length, ("variable " + v.name).c_str());
            slab[i] = n;
            result.data_ends.push_back(v.begin);
            if (is_record) {
                ++record_vars;
                record_size = checked_add(record_size, pad4(n), "a record");
            } else {
                result.data_ends.back() = checked_add(v.begin, n, ("variable " + v.name).c_str());
                implied = std::max(implied, result.data_ends.back());
            }
        }
        if (record_vars == 1) // a lone record variable is not padded
            for (std::size_t i = 0; i < vars.size(); ++i)
                if (!vars[i].dims.empty() && dims[vars[i].dims[0]].length == 0)
                    record_size = slab[i];
        if (!streaming && numrecs > 0) {
            for (std::size_t i = 0; i < vars.size(); ++i) {
                const Var& v = vars[i];
                if (v.dims.empty() || dims[v.dims[0]].length != 0)
                    continue;
                std::uint64_t last = checked_mul(numrecs - 1, record_size, "the records");
                std::uint64_t end_of = checked_add(checked_add(v.begin, last, "the records"), slab[i], "the records");
                result.data_ends[i] = end_of;
                implied = std::max(implied, end_of);
            }
        }
        if (streaming) {
            // As many whole records as lie between the first record variable's data
            // and the end of the file.
            std::uint64_t first = 0;
            bool any = false;
            for (const Var& v : vars)
                if (!v.dims.empty() && dims[v.dims[0]].length == 0 && (!any || v.begin < first)) {
                    first = v.begin;
                    any = true;
                }
            result.streaming = true;
            if (any && record_size > 0 && result.file_size > first)
                result.streaming_records = (result.file_size - first) / record_size;
        }
        result.implied_size = implied;
    } catch (const Malformed& m) {
        result.data_ends.clear();
        result.header_ok = false;
        result.problem = m.what;
    }
    return result;
}
