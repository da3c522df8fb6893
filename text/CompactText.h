#pragma once
// Compaction of the data section of a CDL text for display.
#include <string>

// From the line "data:" on (the first "\ndata:", or the whole text when it is absent),
// in this order: every "\r\n\r\n" becomes "\r\n" (one left-to-right pass), every line
// loses its leading blanks, a line beginning with '"' or with '_' is joined to the line
// before it. The text before "data:" is left exactly as it is. Works in place.
void CompactDataSection(std::string& text);
