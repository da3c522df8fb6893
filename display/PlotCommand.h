#pragma once
#include <string>
#include <vector>

#include "display/GraphSettings.h"

class FileReader;

// What the command line asks of --plot.
struct PlotRequest {
    std::string input;
    std::string output; // ends in .png, .svg or .pdf
    GraphSettings settings;
    std::string profile;             // "--profile": a number, "all", or empty for profile 0
    bool fit = false;                // "--fit": ranges from the data shown
    std::vector<std::string> params; // "--curves" items naming level parameters (DOXY, ...)
};

// `brinewick --plot FILE -o OUT.png [...]`: renders the graph viewer's plot without a
// display. Returns the exit status.
int RunPlotCommand(const PlotRequest& request, FileReader& reader);
