#pragma once
// The state one rendering shares between its writers: the text pieces being built,
// the current piece, the line position for line breaking, and the error log.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct CdlState {
    std::string error_log;           // messages, each ending in LF
    std::vector<std::string> pieces; // head, one per dimension, one per variable, tail
    std::size_t current = 0;         // index into pieces
    std::size_t first_var_piece = 1; // index of variable 0's piece
    int line_pos = 0;                // characters on the current output line
    int line_limit = 78;
};

// The process-wide rendering state (one rendering at a time).
extern CdlState g_cdl_state;
inline CdlState& cdl_state() { return g_cdl_state; }

// Appends text to the current piece, writing each line feed as CR LF.
void cdl_put(std::string_view text);

// Formats as printf does (in full, whatever the length) and appends like cdl_put.
// Used only for header lines whose arguments are texts and integers.
void cdl_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Formats as printf does and appends the result and one LF to the error log.
void cdl_error(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Logs the netCDF library's message for a failed call.
void cdl_error_nc(int status);
