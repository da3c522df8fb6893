#pragma once
#include <string>
#include <vector>

// `brinewick --print FILE`: prints the file's text on the default printer (or into a
// PDF file when there is none). args are the words after "--print".
int RunPrintCommand(int argc, char** argv, const std::vector<std::string>& args);
