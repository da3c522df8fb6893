#pragma once
// Curves of level parameters beside temperature, salinity and density (DOXY, CHLA,
// ...), drawn into a plot that DrawGraph has painted: each with its own horizontal
// axis below the others (range from the data, title from long_name and units), its
// points joined across the levels where it has no value, QC marks on flags 3 and 4.
#include <QRgb>

#include <string>
#include <vector>

#include "display/GraphSettings.h"
#include "profile/chosen_values.h"
#include "uikit/PixelRect.h"

class QPainter;

// One parameter to draw: its values and flags in file order (ResolveProfile's), and
// the axis title.
struct ParameterCurve {
    ChosenSeries series;
    std::string title;
};

// The colour of the k-th parameter curve.
QRgb ParameterCurveColor(std::size_t k);

// How many points of `curve` have a value beside the vertical value of its level.
std::size_t ParameterPoints(const ParameterCurve& curve, const GraphSettings& settings, const CLevelArray& levels);

// Draws the curves over the plot `plot` of `area`, with their axes from `axisY` (the
// y below DrawGraph's own axes) down. `levels` are the shown records (their measured
// fields) of the profile whose parameters these are.
void DrawParameterCurves(QPainter& p, const PixelRect& area, const PixelRect& plot, int axisY,
                         const GraphSettings& settings, const CLevelArray& levels,
                         const std::vector<ParameterCurve>& curves);

// The y below DrawGraph's own horizontal axes in `plot`, in the painter's font (the
// one DrawGraph drew with).
int BelowCurveAxes(const QPainter& p, const PixelRect& plot, const GraphSettings& settings);

// The height one parameter's axis takes below the others, in the painter's font.
int ParameterAxisHeight(const QPainter& p);
