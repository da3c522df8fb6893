#pragma once
#include <string>
#include <vector>

class FileReader;

// `brinewick --map FILE -o OUT.png|svg|pdf`: the float's track over the coastline.
// `brinewick --section FILE --var NAME -o OUT.png|svg|pdf [--best] [--good] [--range MIN,MAX]`: the
// section of one variable. args are the words after the option. Returns the exit
// status: 0, 1 when the file lacks what the plot needs or OUT cannot be written, 2 on a
// usage error.
int RunMapCommand(int argc, char** argv, const std::vector<std::string>& args, FileReader& reader);
int RunSectionCommand(int argc, char** argv, const std::vector<std::string>& args, FileReader& reader);
