#pragma once
// A file's CDL text as an entry of the reader table (reader/reader_table.h): the text
// streams to the caller's sink as it is made, and the outcome comes last.
#include <string>

#include "cdl/render_cdl.h"
#include "core/wire.h"
#include "reader/file_reader.h"

template <class Ar>
void wire_fields(Ar& ar, CdlDimension& d)
{
    ar(d.name, d.length, d.unlimited);
}
template <class Ar>
void wire_fields(Ar& ar, CdlVariable& v)
{
    ar(v.name, v.type, v.shape, v.long_name);
}
template <class Ar>
void wire_fields(Ar& ar, CdlOutcome& o)
{
    ar(o.log, o.cancelled, o.dimension_names, o.variable_names, o.dimensions, o.variables, o.global_attribute_names,
       o.notes, o.truncated);
}

struct TextRead {
    static constexpr const char* kName = "text";
    struct Args {
        std::string path;
        CdlOptions options;
    };
    using Result = CdlOutcome;
    static Result Run(const Args& a, const ReadContext& context)
    {
        StringSink none; // a caller that wants no text
        return render_cdl(a.path, context.text ? *context.text : none, context.control, a.options);
    }
    static Result Failed(const Args&, const std::string& why)
    {
        Result r;
        if (why == kReadCancelled)
            r.cancelled = true;
        else
            r.log = why + "\n";
        return r;
    }
};
// What a window shows of a file before its text: whether the file opened at all, and
// its header's structure. Quick whatever the file's size.
struct HeaderRead {
    static constexpr const char* kName = "header";
    struct Args {
        std::string path;
    };
    struct Result {
        bool opened = false; // the library opened the file: its text begins
        CdlOutcome outcome;  // the structure; log: why it did not open
    };
    static Result Run(const Args& a, const ReadContext& context)
    {
        // Counts the text without keeping it: any text means the header began.
        class CountingSink : public CdlSink {
        public:
            void write(std::string_view bytes) override { count += bytes.size(); }
            std::size_t count = 0;
        } counted;
        CdlOptions options;
        options.header_only = true;
        Result r;
        r.outcome = render_cdl(a.path, counted, context.control, options);
        r.opened = counted.count > 0;
        return r;
    }
    static Result Failed(const Args& a, const std::string& why)
    {
        Result r;
        r.outcome = TextRead::Failed({a.path, CdlOptions()}, why);
        return r;
    }
};
template <class Ar>
void wire_fields(Ar& ar, HeaderRead::Args& a)
{
    ar(a.path);
}
template <class Ar>
void wire_fields(Ar& ar, HeaderRead::Result& r)
{
    ar(r.opened, r.outcome);
}
template <class Ar>
void wire_fields(Ar& ar, CdlOptions& o)
{
    ar(o.variable_text_limit, o.header_only);
}
template <class Ar>
void wire_fields(Ar& ar, TextRead::Args& a)
{
    ar(a.path, a.options);
}
