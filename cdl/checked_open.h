#pragma once
// Opening a netCDF file read-only without handing a malformed classic header to the
// library (which can crash or hang on some), for every reader in the program.
#include <cstdint>
#include <string>
#include <vector>

// What a checked open found out about a file it opened or refused.
struct CheckedOpen {
    int status = 0;         // NC_NOERR, or why the file was not opened
    int ncid = -1;          // open when status is NC_NOERR
    std::string message;    // for the user, when status is not NC_NOERR
    bool truncated = false; // a classic file shorter than its header says
    std::uint64_t file_size = 0;
    std::uint64_t implied_size = 0;
    bool streaming = false;              // the record count is the "streaming" marker
    std::uint64_t streaming_records = 0; // then: the whole records the file holds
    // Of a truncated file: whether each variable's data (by id) lies wholly in the file.
    std::vector<bool> readable_variables;
    // The sentence that says a file is truncated.
    std::string truncation_message() const;
};

// Opens `path` read-only. A malformed classic header is refused (NC_ENOTNC, with what
// is wrong). A truncated classic file is refused too (NC_ETRUNC) unless
// `allow_truncated`: then it is opened and reported in `truncated`, for a reader that
// shows the header and lists only the variables whose values lie in the file
// (readable_variables), never values the library would make up as zeros.
CheckedOpen open_netcdf_checked(const std::string& path, bool allow_truncated = false);

// The same, in the shape the profile readers use: NC_NOERR and *ncid, or an error
// status and the message.
int open_netcdf_checked(const std::string& path, int* ncid, std::string* message);
