#pragma once
// The header and data of one group of a file (the root group of a classic file):
// its types, dimensions, variables with their attributes, group attributes, data
// section, then each subgroup as a nested "group: NAME {" block.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cdl/cdl_output.h"
#include "cdl/cdl_structure.h"

struct GroupRenderState {
    // Of a truncated classic file: the root's variables whose data lies wholly in the
    // file (by id). The others are not listed: the library would make up their values.
    std::vector<bool> readable_variables;
    bool list_data = true; // false: the header only (what a window shows first)
    // The record count that replaces the root's unlimited dimension's size (a classic
    // file whose count is the "streaming" marker).
    std::optional<std::uint64_t> root_records;
    std::vector<std::string> dimension_names; // all groups, in the order written
    std::vector<std::string> variable_names;
    // The root group's structure as declared (names escaped as written).
    std::vector<CdlDimension> dimensions;
    std::vector<CdlVariable> variables;
    std::vector<std::string> global_attribute_names;
};

// Renders group `grpid` at nesting `depth` (0 for the root).
void render_group(CdlWriter& w, int grpid, int depth, GroupRenderState& state);
