#pragma once
// The section drawn into a plain ARGB32 pixel buffer: each column a strip from its left
// to its right date, each level a band from halfway to the level above to halfway to
// the one below (so that bands meet without a seam), in the colour of its value. Written
// straight into memory so that a thousand profiles of a thousand levels draw in a few
// milliseconds; the window and the image files wrap the buffer.
#include <cstdint>
#include <vector>

#include "overview/colour_scale.h"
#include "overview/section_data.h"

struct SectionAxes {
    int width = 1; // plot area in pixels
    int height = 1;
    double timeMin = 0, timeMax = 1;    // days at the left and right edges
    double presTop = 0, presBottom = 1; // dbar at the top and bottom edges

    double XOf(double time) const { return (time - timeMin) / (timeMax - timeMin) * width; }
    double YOf(double pres) const { return (pres - presTop) / (presBottom - presTop) * height; }
    double TimeAt(double x) const { return timeMin + x / width * (timeMax - timeMin); }
};

// The axes that show the whole section (pressure from 0 to the deepest level, plus 2%).
SectionAxes FitSection(const SectionData& section, int width, int height);

struct SectionRaster {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // row by row; 0 where nothing is drawn
};

// One level's band of a column: pressures from top to bottom, and its value.
struct SectionCell {
    float top = 0, bottom = 0;
    float value = 0;
};
// The bands of a column's levels: each from halfway to the level above to halfway to
// the one below; the first and last reach out by the half spacing next to them (at most
// 50 dbar; 5 dbar for a single level), the first no higher than 0 dbar.
std::vector<SectionCell> SectionCells(const SectionColumn& column);

void RasterSection(const SectionData& section, const ColourScale& scale, const SectionAxes& axes, SectionRaster& out);

// The column (index into section.columns) under pixel column x; -1 when none.
int ColumnAtPixel(const SectionData& section, const SectionAxes& axes, double x);
