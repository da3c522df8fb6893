#pragma once
// The level under the graph viewer's level cursor.
#include "display/GraphSettings.h"
#include "profile/level_records.h"

// Array index of the record whose vertical value v lies between the two range ends
// (either may be the larger) and is nearest to u; of equally near records the first in
// array order wins. -1 when no record lies in the range. Missing values (99999) and
// NaN never match.
int FindNearestLevel(const CLevelArray& levels, VerticalQuantity q, bool adjusted, double min, double max, double u,
                     bool sigmaTheta = false);
