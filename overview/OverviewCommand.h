#pragma once
#include <optional>
#include <string>
#include <utility>

#include "overview/section_data.h"

#include "display/PlotImage.h"

class FileReader;
// Paints a 1000 x 700 plot into `output` as PNG, SVG or PDF (by its extension); the
// file is replaced only when complete. False, said on standard error, when it cannot be.
bool WritePlotFile(const std::string& output, const PlotPainter& paint);

// What the command line asks of --map (input and output) and --section (all).
struct OverviewRequest {
    std::string input, output; // output ends in .png, .svg or .pdf
    std::string variable;      // the section's variable
    SectionOptions section;
    std::optional<std::pair<double, double>> range; // the section's colour range
};

// `brinewick --map FILE -o OUT.png|svg|pdf`: the float's track over the coastline.
// `brinewick --section FILE --var NAME -o OUT.png|svg|pdf [--best] [--good] [--range MIN,MAX]`: the
// section of one variable. Returns the exit status: 0, 1 when the file lacks what the
// plot needs or OUT cannot be written, 2 when OUT is the input.
int RunMapCommand(const OverviewRequest& request, FileReader& reader);
int RunSectionCommand(const OverviewRequest& request, FileReader& reader);

// "MIN,MAX": two numbers (whole texts, locale-free) that differ.
std::optional<std::pair<double, double>> ParseRange(const std::string& text);
