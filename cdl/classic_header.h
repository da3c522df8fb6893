#pragma once
// Reads and checks the header of a classic-format netCDF file (CDF-1, CDF-2, CDF-5)
// before the netCDF library sees it. Some malformed headers crash or hang the
// library inside nc_open, so a header is only handed on once its names, counts,
// types, sizes and offsets are consistent and lie within the file. The same reading
// gives the size the header implies, to recognise a truncated file.
#include <cstdint>
#include <string>
#include <vector>

struct ClassicHeaderCheck {
    bool is_classic = false; // the file begins with "CDF" and version 1, 2 or 5
    bool header_ok = true;   // false: refused; `problem` says why
    std::string problem;
    std::uint64_t file_size = 0;
    std::uint64_t implied_size = 0; // bytes the header's variables and records need
    // The header's record count is the "streaming" marker 0xFFFFFFFF: the number of
    // whole records the file holds stands in for it.
    bool streaming = false;
    std::uint64_t streaming_records = 0;
    // Where each variable's data ends (by variable id): a variable ending past the end
    // of a truncated file has values the library would make up as zeros.
    std::vector<std::uint64_t> data_ends;
    bool truncated() const { return is_classic && header_ok && implied_size > file_size; }
};

// Checks the file at `path`. A file that cannot be read, or that is not classic, comes
// back with is_classic false and is left to the library to judge.
ClassicHeaderCheck check_classic_header(const std::string& path);
