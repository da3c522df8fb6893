#pragma once
// The two plots of the Float Overview, painted with QPainter from plain values: one
// routine for the window and for the PNG, SVG and PDF files of --map and --section.
#include <QRect>
#include <QString>

#include <cstddef>
#include <optional>
#include <utility>

#include "overview/coastline.h"
#include "overview/float_track.h"
#include "overview/map_view.h"
#include "overview/section_data.h"
#include "overview/section_raster.h"

class QPainter;

// What the map shows.
struct MapScene {
    const FloatTrack* track = nullptr; // not owned
    const Coastline* coast = nullptr;  // not owned; null or !ok: no land, with a note
    MapView view;                      // sized to MapPlotRect's size
    std::optional<std::size_t> chosen; // the chosen profile, highlighted
    QString title;                     // the title line above the map; empty: none
};

// The map's plot area inside a widget or page of size `area` (below the title line).
QRect MapPlotRect(const QRect& area);
void PaintMap(QPainter& painter, const QRect& area, const MapScene& scene);

// What the section shows.
struct SectionScene {
    const SectionData* section = nullptr;  // not owned
    const SectionRaster* raster = nullptr; // not owned; drawn with `axes`
    SectionAxes axes;                      // sized to SectionPlotRect's size
    std::optional<std::size_t> chosen;
    QString title;            // the title line above the section; empty: none
    double low = 0, high = 1; // the colour range (the raster's too)
};

// The colour range of a section: the user's own when it has two finite, different
// ends (in either order), else the section's 1st to 99th percentile.
std::pair<double, double> ColourRangeOf(const SectionData& section, std::optional<std::pair<double, double>> own);

// The section's plot area (the colour bar and the axes' labels around it).
QRect SectionPlotRect(const QRect& area);
// The colour bar's rectangle: high values at the top.
QRect ColourBarRect(const QRect& area);
void PaintSection(QPainter& painter, const QRect& area, const SectionScene& scene);

// The texts of the map's note: positions left out, and a missing coastline.
QString MapNote(const MapScene& scene);
