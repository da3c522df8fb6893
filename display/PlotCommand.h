#pragma once
#include <string>
#include <vector>

class FileReader;

// `brinewick --plot FILE -o OUT.png [...]`: renders the graph viewer's plot without a
// display. args are the words after "--plot". Returns the exit status.
int RunPlotCommand(int argc, char** argv, const std::vector<std::string>& args, FileReader& reader);
