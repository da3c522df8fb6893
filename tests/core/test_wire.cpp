// The wire form of reader results, and the caller's side of a helper read: a complete
// answer is decoded, and a helper that dies or is cut short becomes a failure that
// names the file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sys/stat.h>

#include "core/helper_read.h"
#include "support/temp_dir.h"

namespace {

struct Inner {
    std::optional<double> value;
    std::vector<char> flags;
    bool operator==(const Inner&) const = default;
};
template <class Ar>
void wire_fields(Ar& ar, Inner& i)
{
    ar(i.value, i.flags);
}

struct Outer {
    bool ok = false;
    std::string message;
    std::size_t count = 0;
    std::vector<Inner> items;
    std::vector<std::vector<std::string>> rows;
    float f = 0;
};
template <class Ar>
void wire_fields(Ar& ar, Outer& o)
{
    ar(o.ok, o.message, o.count, o.items, o.rows, o.f);
}

Outer Sample()
{
    Outer o;
    o.ok = true;
    o.message = std::string("a\0b\n\xff", 5);
    o.count = std::numeric_limits<std::size_t>::max();
    o.items = {{std::nullopt, {}}, {-0.0, {'1', ' ', '\0'}}, {std::numeric_limits<double>::quiet_NaN(), {'4'}}};
    o.rows = {{}, {"", "x"}};
    o.f = std::numeric_limits<float>::denorm_min();
    return o;
}

TEST(Wire, RoundTripKeepsEveryBitAndRefusesAnythingElse)
{
    const Outer in = Sample();
    const std::string bytes = to_wire(in);
    Outer out;
    ASSERT_TRUE(from_wire(bytes, out));
    EXPECT_EQ(to_wire(out), bytes);
    EXPECT_EQ(out.message, in.message);
    EXPECT_EQ(out.count, in.count);
    ASSERT_EQ(out.items.size(), 3u);
    EXPECT_TRUE(std::signbit(*out.items[1].value));
    EXPECT_TRUE(std::isnan(*out.items[2].value));
    EXPECT_EQ(out.items[1].flags, in.items[1].flags);
    EXPECT_EQ(out.rows, in.rows);
    EXPECT_EQ(out.f, in.f);

    // Every cut, and a byte too many, is refused without reading past the end.
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        Outer cut;
        EXPECT_FALSE(from_wire(std::string_view(bytes).substr(0, n), cut)) << n;
    }
    Outer longer;
    EXPECT_FALSE(from_wire(bytes + "x", longer));
    // A count beyond the bytes that follow is a lie, not a request for memory.
    std::string lying = to_wire(std::vector<std::string>{"a"});
    lying[7] = '\x7f';
    std::vector<std::string> strings;
    EXPECT_FALSE(from_wire(lying, strings));
}

TEST(HelperRead, AnswersFailuresAndArguments)
{
    TempDir dir;
    const std::string script = (dir.path() / "helper").string();
    const std::string saved = helper_program();
    struct Case {
        std::string body; // what the helper does
        bool ok;
        std::string failure;
    };
    // to_wire(std::string("hi")) is 10 bytes: a length of 2, then "hi".
    const Case cases[] = {
        {"printf 'BWR1\\012\\0\\0\\0\\0\\0\\0\\0\\002\\0\\0\\0\\0\\0\\0\\0hi'", true, ""},
        {"printf 'BWR1\\012\\0\\0\\0\\0\\0\\0\\0\\002\\0\\0\\0'", false,
         "F.nc: the netCDF library stopped on this file: its output was cut short"},
        {"printf 'BWR1\\003\\0\\0\\0\\0\\0\\0\\0abc'", false,
         "F.nc: the netCDF library stopped on this file: its answer was malformed"},
        {"kill -SEGV $$", false, "F.nc: the netCDF library stopped on this file: signal 11 (Segmentation fault)"},
        {"exit 2", false, "F.nc: the netCDF library stopped on this file: exit code 2"},
        {"[ \"$*\" = '--read-child kind F.nc 1,2' ] || exit 5; printf "
         "'BWR1\\010\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0'",
         true, ""},
    };
    for (const Case& c : cases) {
        {
            std::ofstream(script) << "#!/bin/sh\n" << c.body << "\n";
        }
        chmod(script.c_str(), 0755);
        set_helper_program(script);
        std::string value = "unset", failure;
        const bool ok = read_in_helper_as("kind", {"F.nc", size_list_arg({1, 2})}, "F.nc", value, failure);
        EXPECT_EQ(ok, c.ok) << c.body;
        EXPECT_EQ(failure, c.failure) << c.body;
        if (ok)
            EXPECT_TRUE(value == "hi" || value.empty()) << c.body;
    }
    set_helper_program(saved);

    // A reader that runs out of the helper's memory ends it with a status that says so.
    const ReadServer greedy = [](const std::string&, const std::vector<std::string>&) -> std::optional<std::string> {
        throw std::bad_alloc();
    };
    ChildResult ended;
    ended.started = true;
    ended.exit_code = serve_read_child({"kind", "F.nc"}, {greedy});
    EXPECT_EQ(describe_child_end(ended), "the memory limit");

    std::vector<std::size_t> list;
    EXPECT_TRUE(parse_size_list_arg("-", list) && list.empty());
    EXPECT_TRUE(parse_size_list_arg("0,18446744073709551615", list) && list.size() == 2);
    for (const char* bad : {"", ",", "1,", "1,,2", "-1", "1x", "18446744073709551616"})
        EXPECT_FALSE(parse_size_list_arg(bad, list)) << bad;
}

} // namespace
