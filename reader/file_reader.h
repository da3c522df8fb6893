#pragma once
// How a program reads a file: through a FileReader, which runs a named reader of the
// table (reader/reader_table.h) with arguments and gives back its result, in this
// process or in an isolated helper process. Readers are plain functions of a file;
// the FileReader decides where they run, so that the window reads every file in a
// helper that a crashing netCDF library takes down instead of the window.
//
// A reader is a struct with
//     static constexpr const char* kName;              // its name in the table
//     struct Args { std::string path; ... };           // with wire_fields
//     using Result = ...;                              // with wire_fields
//     static Result Run(const Args&, ReadContext&);    // the reading itself
//     static Result Failed(const Args&, const std::string& why);  // when it could not run
// and one line in the table.
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <stdexcept>
#include <optional>
#include <string>
#include <string_view>

#include "core/wire.h"

class CdlSink;
class JobControl;

// What a reader may use while it runs: progress and Cancel, and a sink for the text it
// makes (the readers that make text stream it there). Either may be null.
struct ReadContext {
    JobControl* control = nullptr;
    CdlSink* text = nullptr;
};

// How one call ended.
struct ReadAnswer {
    enum class End { Done, Refused, Cancelled, Stopped };
    End end = End::Stopped;
    std::string bytes; // the result in the wire's form, when Done
    std::string what;  // when Stopped: what ended the helper ("signal 11 (Segmentation fault)")
    bool done() const { return end == End::Done; }
};

// The reason R::Failed gets when the caller cancelled a reading that did not stop by
// itself in time.
inline constexpr const char* kReadCancelled = "cancelled";

// "PATH: the netCDF library stopped on this file: WHAT": the one wording of a reading
// that did not end with a result.
std::string reading_stopped_message(const std::string& path, const std::string& what);

class FileReader {
public:
    virtual ~FileReader() = default;
    // Runs `reader` with `args` (in the wire's form). Text the reader makes goes to
    // context.text as it arrives, progress to context.control, which can also cancel.
    virtual ReadAnswer Call(const std::string& reader, const std::string& args, const ReadContext& context) = 0;
};

// "out of memory" with the file and the reading (a reader's name) it happened in.
std::string out_of_memory_message(const std::string& path, const std::string& reading);

// The readers by name: each entry decodes its arguments, runs, and encodes its result
// (nullopt when the arguments do not decode).
using ReaderEntry = std::function<std::optional<std::string>(std::string_view args, const ReadContext&)>;

class ReaderTable {
public:
    template <class R>
    void Add()
    {
        m_entries[R::kName] = [](std::string_view bytes, const ReadContext& context) -> std::optional<std::string> {
            typename R::Args args;
            if (!from_wire(bytes, args))
                return std::nullopt;
            // Memory runs out in our own code too (a file's sizes can ask for any
            // amount): the reading fails with a message, and the reader lives on.
            try {
                return to_wire(R::Run(args, context));
            } catch (const std::bad_alloc&) {
            } catch (const std::length_error&) {
            }
            return to_wire(R::Failed(args, out_of_memory_message(args.path, R::kName)));
        };
    }
    const ReaderEntry* Find(const std::string& name) const;
    std::vector<std::string> Names() const;

private:
    std::map<std::string, ReaderEntry, std::less<>> m_entries;
};

// Runs the readers in this process: for tests, benchmarks and trusted callers.
class InProcessReader : public FileReader {
public:
    explicit InProcessReader(const ReaderTable& table) : m_table(table) {}
    ReadAnswer Call(const std::string& reader, const std::string& args, const ReadContext& context) override;

private:
    const ReaderTable& m_table;
};

// A result of a reader that could not run, for results that carry their failure in a
// `message` field.
template <class Result>
Result FailedWithMessage(const std::string& why)
{
    Result r;
    r.message = why;
    return r;
}

// Runs reader R through `reader` and decodes its result; a reading that did not end
// with a result gives R::Failed with the reason.
template <class R>
typename R::Result Read(FileReader& reader, const typename R::Args& args, const ReadContext& context = {})
{
    const ReadAnswer answer = reader.Call(R::kName, to_wire(args), context);
    typename R::Result result;
    switch (answer.end) {
    case ReadAnswer::End::Done:
        if (from_wire(answer.bytes, result))
            return result;
        return R::Failed(args, reading_stopped_message(args.path, "its answer was malformed"));
    case ReadAnswer::End::Cancelled: return R::Failed(args, kReadCancelled);
    case ReadAnswer::End::Refused:
        return R::Failed(args, reading_stopped_message(args.path, "it does not know this reading"));
    case ReadAnswer::End::Stopped: break;
    }
    return R::Failed(args, reading_stopped_message(args.path, answer.what));
}
