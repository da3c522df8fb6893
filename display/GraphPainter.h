#pragma once
// Drawing of the graph viewer's plot: the frame, the vertical axis with its labels and
// ticks, one coloured horizontal axis per curve, and the curves with their markers.
// Used by the dialog on its surface and by the command line on an image.
#include <QFont>
#include <QRgb>

#include <span>
#include <vector>

#include "display/GraphSettings.h"
#include "uikit/PixelRect.h"

class CSurfaceDC;
class CLevelArray;
struct ProfileFlags;

// The quality flags of the plotted profiles: a point whose plotted values carry flag
// 3 or 4 gets its own mark and colour, explained by a legend in the plot.
struct GraphQc {
    const ProfileFlags* flags = nullptr; // of the first profile; none: no marks
    // Per overlay profile, whether its adjusted values are drawn (empty: the settings').
    std::vector<bool> overlayAdjusted;
};

// The colour of the mark of a point flagged 3 or 4.
inline constexpr QRgb kBadFlagColor = 0xFFFF00FFu;

// The plot frame inside the plot area: 60 pixels on the left for the vertical labels,
// 100 below for the horizontal axes.
PixelRect PlotRectOf(const PixelRect& area);

// Paints the whole plot area and returns the plot frame. Drawing stays inside `area`.
PixelRect DrawGraph(CSurfaceDC& dc, const PixelRect& area, const GraphSettings& settings, const CLevelArray& levels,
                    const QFont& labelFont);

// The same with more profiles drawn together: before each curve of `levels` (drawn as
// above, in the curve's colour, with its markers) the same curve of every profile of
// `overlay` is drawn as a line in its own lighter shade of that colour.
PixelRect DrawGraph(CSurfaceDC& dc, const PixelRect& area, const GraphSettings& settings, const CLevelArray& levels,
                    const QFont& labelFont, std::span<const CLevelArray* const> overlay, const GraphQc& qc = {});

// Shade k of n of a curve colour: mixed with white, from a little (k = 0) to about
// three quarters (k = n - 1).
QRgb OverlayShade(QRgb color, std::size_t k, std::size_t n);

// The vertical axis of the range min .. max along the plot's left edge.
void DrawVerticalAxis(CSurfaceDC& dc, const PixelRect& plot, double min, double max);

// A horizontal axis with its line at y = axisY; returns the y of the next axis line.
// Its row of labels holds the end values, `title` in the middle and the inner tick
// values that fit without overlapping.
int DrawHorizontalAxis(CSurfaceDC& dc, const PixelRect& plot, int axisY, double min, double max, QRgb color,
                       const QString& title = {});
