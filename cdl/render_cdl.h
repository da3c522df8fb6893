#pragma once
// Renders a whole netCDF file, data included, as CDL text.
#include <string>
#include <vector>

#include "cdl/cdl_output.h"

class JobControl;

// A dimension as the header declares it.
struct CdlDimension {
    std::string name;
    std::size_t length = 0;
    bool unlimited = false;
};

// A variable as the header declares it: its type as written, the names of its
// dimensions in order, and its long_name attribute when it has a text one.
struct CdlVariable {
    std::string name;
    std::string type;
    std::vector<std::string> shape;
    std::string long_name;
};

// How a rendering ended, and what it learned of the file on the way.
struct CdlOutcome {
    std::string log;     // messages, each ending in LF; empty means success
    bool cancelled = false;
    std::vector<std::string> dimension_names; // in id order
    std::vector<std::string> variable_names;  // in id order
    // The header's structure, filled by the same rendering, in id order.
    std::vector<CdlDimension> dimensions;
    std::vector<CdlVariable> variables;
    std::vector<std::string> global_attribute_names;
    bool ok() const { return log.empty() && !cancelled; }
};

// Renders the file at `path` into `sink` as it goes; the text has CR LF line breaks.
// With a `control`, the rendering reports the bytes made and stops early (outcome
// `cancelled`) when asked to. Out of memory ends the rendering with "Out of memory!"
// in the log; what the sink already took is then incomplete.
CdlOutcome render_cdl(const std::string& path, CdlSink& sink, JobControl* control = nullptr);

// The whole text in one string (empty after running out of memory), for callers that
// want it in memory; the outcome goes to *outcome when given.
std::string render_cdl_text(const std::string& path, CdlOutcome* outcome = nullptr);
