#pragma once
// Reading a file in the helper process: the window asks the helper (this program run
// as `--read-child KIND ARGS...`) for one reader's result, which comes back in the
// wire's form. A helper that the netCDF library crashes, or that hits its memory or
// time limit, becomes a failure that names what happened, and the caller lives on.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/child_process.h"
#include "core/wire.h"

class JobControl;

// Whether readers go through the helper (helper_program() is set, as in the window).
bool reads_in_helper();

// "PATH: the netCDF library stopped on this file: WHAT".
std::string helper_stopped_message(const std::string& path, const std::string& what);

// The caller's side: the bytes the helper answered for `kind` and `args`, or nullopt
// with `failure` set to helper_stopped_message(path, ...) when it died, was cancelled
// or answered something cut short. `path` is the file read, for the message.
std::optional<std::string> read_in_helper(const std::string& kind, const std::vector<std::string>& args,
                                          const std::string& path, std::string& failure, JobControl* control = nullptr);

// read_in_helper decoded into `result`; false with `failure` set as there.
template <class T>
bool read_in_helper_as(const std::string& kind, const std::vector<std::string>& args, const std::string& path,
                       T& result, std::string& failure, JobControl* control = nullptr)
{
    const std::optional<std::string> bytes = read_in_helper(kind, args, path, failure, control);
    if (!bytes)
        return false;
    if (!from_wire(*bytes, result)) {
        failure = helper_stopped_message(path, "its answer was malformed");
        return false;
    }
    return true;
}

// What a helper answers: the bytes for `kind` and `args`, nullopt for a kind it does
// not know or arguments it cannot take.
using ReadServer =
    std::function<std::optional<std::string>(const std::string& kind, const std::vector<std::string>& args)>;

// The helper's side: `args` are the words after "--read-child". Writes the answer of
// the first of `servers` that takes the request to standard output, with its length
// first so that the caller can tell a complete answer from a cut one. Returns the
// helper's exit status (2 when no server takes it, kOutOfMemoryExit when a reader ran
// out of memory).
int serve_read_child(const std::vector<std::string>& args, const std::vector<ReadServer>& servers);

// Numbers and lists of numbers as helper arguments.
std::string size_list_arg(const std::vector<std::size_t>& values); // "1,5,7" ("-" when empty)
bool parse_size_arg(const std::string& text, std::size_t& value);
bool parse_size_list_arg(const std::string& text, std::vector<std::size_t>& values);
