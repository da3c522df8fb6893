#pragma once
// Rendering in a helper process: the helper renders a file and streams the text and
// the outcome back as frames; a helper that the netCDF library crashes, or that hits
// its memory or time limit, becomes an error in the log instead of taking the caller
// down.
#include <functional>
#include <string>

#include "cdl/render_cdl.h"
#include "core/child_process.h"

// The helper's side: renders `path` to standard output as frames, then the outcome and
// the text `extra()` returns (computed after the rendering, e.g. a flag the caller needs).
// Returns the helper's exit status.
int serve_render_child(const std::string& path, const std::function<std::string()>& extra,
                       const CdlOptions& options = CdlOptions());

struct IsolatedRender {
    CdlOutcome outcome;
    std::string extra; // what the helper's `extra` returned; empty if it ended early
};

// The caller's side: runs `program --render-child path --text-limit N` under `limits`, hands the text
// to `sink` as it arrives and reports progress in bytes to `control`, which can also
// cancel (the helper is killed). A helper that ends without its outcome logs
// "PATH: the netCDF library stopped on this file: WHAT".
IsolatedRender render_cdl_isolated(const std::string& program, const std::string& path, CdlSink& sink,
                                   JobControl* control, const ChildLimits& limits,
                                   const CdlOptions& options = CdlOptions());
