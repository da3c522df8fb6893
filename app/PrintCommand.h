#pragma once
#include <string>

// `brinewick --print FILE [-o OUT.pdf]`: prints the file's text on the default printer
// (or into a PDF file, OUT or FILE's name with .pdf, when there is none or -o is
// given). Returns the exit status.
int RunPrintCommand(const std::string& file, std::string pdf);
