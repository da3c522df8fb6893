#pragma once
// Renders a whole netCDF file, data included, as CDL text.
#include <string>
#include <vector>

#include "cdl/cdl_output.h"
#include "cdl/cdl_structure.h"

class JobControl;

// How a rendering ended, and what it learned of the file on the way.
struct CdlOutcome {
    std::string log; // messages, each ending in LF; empty means success
    bool cancelled = false;
    std::vector<std::string> dimension_names; // in id order
    std::vector<std::string> variable_names;  // in id order
    // The header's structure, filled by the same rendering, in id order.
    std::vector<CdlDimension> dimensions;
    std::vector<CdlVariable> variables;
    std::vector<std::string> global_attribute_names;
    // The part of `log` that reports a text shown in part on purpose (a variable over
    // the text limit, a streaming record count, a truncated file): a text whose log
    // holds only notes is complete but for what they say.
    std::string notes;
    // The file is cut short (truncated): the text has its header and the values it
    // still holds, and a note says so.
    bool truncated = false;
    bool ok() const { return log.empty() && !cancelled; }
    bool complete_but_for_notes() const { return !cancelled && !log.empty() && log == notes; }
};

// Limits of one rendering.
struct CdlOptions {
    // Bytes of text one variable may make; a variable whose text would pass it is
    // summarised with a message. The window may raise it.
    std::size_t variable_text_limit = CdlWriter::kDefaultVariableTextLimit;
    // The header only (dimensions, variables, attributes), no data section: what a
    // window learns of a file before its text streams in.
    bool header_only = false;
};

// Renders the file at `path` into `sink` as it goes; the text has CR LF line breaks.
// With a `control`, the rendering reports the bytes made and stops early (outcome
// `cancelled`) when asked to. Out of memory ends the rendering with "Out of memory!"
// in the log; what the sink already took is then incomplete.
CdlOutcome render_cdl(const std::string& path, CdlSink& sink, JobControl* control = nullptr,
                      const CdlOptions& options = CdlOptions());

// The whole text in one string (empty after running out of memory), for callers that
// want it in memory; the outcome goes to *outcome when given.
std::string render_cdl_text(const std::string& path, CdlOutcome* outcome = nullptr);
