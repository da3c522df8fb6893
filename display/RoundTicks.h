#pragma once
// Tick values on round numbers (1, 2 or 5 times a power of ten) for axes and colour
// bars, chosen so that at least `fewest` of them fall inside the range.
#include <vector>

// The ticks of the largest round step that puts at least `fewest` (at least 2) ticks in
// [min(a, b), max(a, b)], in increasing order. Empty when the ends are not finite or equal.
std::vector<double> RoundTicks(double a, double b, int fewest = 5);

// The decimals a label of these ticks needs to tell them apart (0 to 6).
int TickDecimals(const std::vector<double>& ticks);
