// The wire form of reader results: every bit kept, and bytes that are not exactly one
// value refused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sys/stat.h>

#include "core/wire.h"

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

} // namespace
