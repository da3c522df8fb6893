#pragma once
// A compact binary form of what a reader returns, for a helper process that reads a
// file and sends its result back. Each struct lists its fields once, in a function
// `void wire_fields(Ar& ar, T& value) { ar(value.a, value.b); }` that serves both
// directions: WireWriter appends the fields, WireReader reads them back in the same
// order. Numbers keep their exact bits; a reader never reads past its bytes and marks
// itself failed instead.
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

class WireWriter {
public:
    static constexpr bool kReading = false;

    template <class... T>
    void operator()(const T&... values)
    {
        (put(values), ...);
    }
    std::string& bytes() { return m_bytes; }

private:
    template <class T>
    void put(const T& value)
    {
        if constexpr (std::is_arithmetic_v<T> || std::is_enum_v<T>) {
            char raw[sizeof(T)];
            std::memcpy(raw, &value, sizeof(T));
            m_bytes.append(raw, sizeof(T));
        } else if constexpr (std::is_same_v<T, std::string>) {
            put(static_cast<std::uint64_t>(value.size()));
            m_bytes.append(value);
        } else if constexpr (requires { value.first, value.second; }) {
            put(value.first);
            put(value.second);
        } else if constexpr (requires {
                                 typename T::value_type;
                                 value.has_value();
                             }) {
            put(value.has_value());
            if (value)
                put(*value);
        } else if constexpr (requires {
                                 typename T::value_type;
                                 value.size();
                             }) {
            put(static_cast<std::uint64_t>(value.size()));
            for (const auto& item : value)
                put(item);
        } else {
            wire_fields(*this, const_cast<T&>(value)); // the writer only reads the fields
        }
    }

    std::string m_bytes;
};

class WireReader {
public:
    static constexpr bool kReading = true;

    explicit WireReader(std::string_view bytes) : m_rest(bytes) {}
    template <class... T>
    void operator()(T&... values)
    {
        (get(values), ...);
    }
    // Whether every read found its bytes and nothing is left over.
    bool complete() const { return !m_failed && m_rest.empty(); }
    bool failed() const { return m_failed; }

private:
    template <class T>
    void get(T& value)
    {
        if (m_failed)
            return;
        if constexpr (std::is_arithmetic_v<T> || std::is_enum_v<T>) {
            if (m_rest.size() < sizeof(T)) {
                m_failed = true;
                return;
            }
            std::memcpy(&value, m_rest.data(), sizeof(T));
            m_rest.remove_prefix(sizeof(T));
        } else if constexpr (std::is_same_v<T, std::string>) {
            std::uint64_t size = 0;
            get(size);
            if (m_failed || size > m_rest.size()) {
                m_failed = true;
                return;
            }
            value.assign(m_rest.data(), static_cast<std::size_t>(size));
            m_rest.remove_prefix(static_cast<std::size_t>(size));
        } else if constexpr (requires { value.first, value.second; }) {
            get(value.first);
            get(value.second);
        } else if constexpr (requires {
                                 typename T::value_type;
                                 value.has_value();
                             }) {
            bool has = false;
            get(has);
            if (has) {
                typename T::value_type item{};
                get(item);
                value = std::move(item);
            } else {
                value.reset();
            }
        } else if constexpr (requires {
                                 typename T::value_type;
                                 value.size();
                             }) {
            std::uint64_t count = 0;
            get(count);
            // Every item takes at least a byte: a count beyond the bytes left is a lie.
            if (m_failed || count > m_rest.size()) {
                m_failed = true;
                return;
            }
            value.clear();
            value.reserve(static_cast<std::size_t>(count));
            for (std::uint64_t i = 0; i < count && !m_failed; ++i) {
                typename T::value_type item{};
                get(item);
                value.push_back(std::move(item));
            }
        } else {
            wire_fields(*this, value);
        }
    }

    std::string_view m_rest;
    bool m_failed = false;
};

// `value` in the wire's form.
template <class T>
std::string to_wire(const T& value)
{
    WireWriter writer;
    writer(value);
    return std::move(writer.bytes());
}

// `bytes` read back into `value`; false (and `value` partly filled) when they are not
// exactly one value of its type.
template <class T>
bool from_wire(std::string_view bytes, T& value)
{
    WireReader reader(bytes);
    reader(value);
    return reader.complete();
}
