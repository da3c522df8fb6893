#pragma once
// The texts of the graph viewer's range fields, read and written without the locale.
#include <optional>
#include <string>
#include <string_view>

// Reads a number at the start of the text as "%lf" scanning would: blanks, an optional
// sign, then a decimal number ("12", "-5.", ".5", "1e3"), "inf", "infinity" or "nan" in
// any case; anything after it is ignored ("12abc" is 12). None when the text does not
// begin with a number.
std::optional<double> ScanRangeValue(std::string_view text);

// "%.1lf": 2000 gives "2000.0".
std::string FormatRangeValue(double value);
