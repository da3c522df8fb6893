#pragma once
// Curves of level parameters beside temperature, salinity and density (DOXY, CHLA,
// ...), drawn into a plot that DrawGraph has painted: each with its own horizontal
// axis below the others (range from the data, title from long_name and units), its
// points joined across the levels where it has no value, QC marks on flags 3 and 4.
#include <QRgb>

#include <span>
#include <string>
#include <vector>

#include "display/GraphSettings.h"
#include "profile/chosen_values.h"
#include "profile/parameter_series.h"
#include "uikit/PixelRect.h"

class QPainter;

// One parameter to draw: its values and flags in file order (ResolveProfile's), the
// axis title, and the same parameter of each overlaid profile (in overlay order).
struct ParameterCurve {
    ChosenSeries series;
    std::string title;
    std::vector<ChosenSeries> overlay;
};

// The axis title of a parameter: its long_name (else its name) and its units.
std::string ParameterTitle(const ParameterInfo& info);

// The colour of the k-th parameter curve.
QRgb ParameterCurveColor(std::size_t k);

// How many points of `curve` have a value beside the vertical value of its level, over
// the first profile (`levels`) and the overlaid ones (`overlay`, one per curve.overlay).
std::size_t ParameterPoints(const ParameterCurve& curve, const GraphSettings& settings, const CLevelArray& levels,
                            std::span<const CLevelArray* const> overlay = {});

// Draws the curves over the plot `plot` of `area`, with their axes from `axisY` (the
// y below DrawGraph's own axes) down. `levels` are the shown records (their measured
// fields) of the first profile, `overlay` those of the overlaid profiles: each curve's
// overlay series is drawn first, as a line in a lighter shade of the curve's colour,
// then the first profile's with its marks. One axis per parameter spans every profile's values.
void DrawParameterCurves(QPainter& p, const PixelRect& area, const PixelRect& plot, int axisY,
                         const GraphSettings& settings, const CLevelArray& levels,
                         const std::vector<ParameterCurve>& curves, std::span<const CLevelArray* const> overlay = {});

// The y below DrawGraph's own horizontal axes in `plot`, in the painter's font (the
// one DrawGraph drew with).
int BelowCurveAxes(const QPainter& p, const PixelRect& plot, const GraphSettings& settings);

// The height one parameter's axis takes below the others, in the painter's font.
int ParameterAxisHeight(const QPainter& p);
