#pragma once
// Drawing of the graph viewer's plot with QPainter on any paint device: the window's
// backing image, a PNG image, an SVG or a PDF page (lines, paths and text there). The
// title line, the frame, the vertical axis, one coloured horizontal axis per curve,
// the curves with their markers, the legends of the overlaid profiles and of the
// quality marks. Lines are drawn aliased, one pixel wide with flat ends, so that on an
// image they cover the pixels a Windows LineTo covers (start pixel in, end pixel out).
#include <QFont>
#include <QRgb>
#include <QString>

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "display/GraphSettings.h"
#include "profile/profile_summary.h"
#include "uikit/PixelRect.h"

class QPainter;
class CLevelArray;
struct ProfileFlags;

// The quality flags of the plotted profiles: a point whose plotted values carry flag
// 3 or 4 gets its own mark and colour, explained by a legend in the plot.
struct GraphQc {
    const ProfileFlags* flags = nullptr; // of the first profile; none: no marks
    // Per overlay profile, whether its adjusted values are drawn (empty: the settings').
    std::vector<bool> overlayAdjusted;
};

// One drawn profile in the legend: its index, its cycle as text and its date (days, any fixed
// reference; none when unknown) with that date as text.
struct GraphProfileKey {
    std::size_t index = 0; // in the file (N_PROF), to tell profiles of one cycle apart
    std::string cycle;
    std::optional<double> juld;
    std::string date;
};

// The texts beside the data.
struct GraphKey {
    std::string title; // the title line above the plot; empty: none
    // One per drawn profile, the first profile first then the overlay's; a legend is
    // drawn when there is an overlay and this has one entry per profile.
    std::vector<GraphProfileKey> profiles;
};

// The title line and legend entries of these profiles (the first drawn first).
GraphKey GraphKeyOf(const std::string& floatNumber, std::span<const ProfileSummary> shown);

// Overlays of more profiles than this are keyed by a colour ramp of their dates
// instead of a line per cycle.
inline constexpr std::size_t kMaxLegendLines = 12;

// The colour of the mark of a point flagged 3 or 4.
inline constexpr QRgb kBadFlagColor = 0xFFFF00FFu;

// The plot frame inside the plot area for these settings and labels: room on the left
// for the vertical labels (60 pixels), above for the title line (kept when there is
// no title, so that the frame stays put) and the vertical axis's title, below for
// each horizontal axis (ticks, labels, title).
PixelRect PlotRectOf(const PixelRect& area, const GraphSettings& settings, const QFont& labelFont);

// Paints the whole plot area in `background` and returns the plot frame. Drawing stays
// inside `area`. Before each curve of `levels` (drawn in the curve's colour, with its
// markers) the same curve of every profile of `overlay` is drawn as a line in its own
// lighter shade of that colour.
PixelRect DrawGraph(QPainter& p, const PixelRect& area, const GraphSettings& settings, const CLevelArray& levels,
                    const QFont& labelFont, std::span<const CLevelArray* const> overlay = {}, const GraphQc& qc = {},
                    const GraphKey& key = {}, QRgb background = 0);

// Shade k of n of a curve colour: mixed with white, from a little (k = 0) to about
// three quarters (k = n - 1).
QRgb OverlayShade(QRgb color, std::size_t k, std::size_t n);
// The same at fraction f (0 .. 1) of that run of shades.
QRgb OverlayShadeAt(QRgb color, double f);

// The vertical axis of the range min .. max along the plot's left edge.
void DrawVerticalAxis(QPainter& p, const PixelRect& plot, double min, double max);

// A horizontal axis with its line at y = axisY; returns the y of the next axis line.
// Below the line a row of labels (the end values and the inner round ticks that fit),
// and below that `title`.
int DrawHorizontalAxis(QPainter& p, const PixelRect& plot, int axisY, double min, double max, QRgb color,
                       const QString& title = {});
