#pragma once
#include <memory>
#include <string>
#include <vector>

#include "display/PlotImage.h"

class FileReader;
class QApplication;

// Fonts need an application object: makes one (on the offscreen platform without a
// display) when there is none, and returns it; null when one exists.
std::unique_ptr<QApplication> EnsurePlotApplication(int argc, char** argv);
// Paints a 1000 x 700 plot into `output` as PNG, SVG or PDF (by its extension); the
// file is replaced only when complete. False, said on standard error, when it cannot be.
bool WritePlotFile(const std::string& output, const PlotPainter& paint);

// `brinewick --map FILE -o OUT.png|svg|pdf`: the float's track over the coastline.
// `brinewick --section FILE --var NAME -o OUT.png|svg|pdf [--best] [--good] [--range MIN,MAX]`: the
// section of one variable. args are the words after the option. Returns the exit
// status: 0, 1 when the file lacks what the plot needs or OUT cannot be written, 2 on a
// usage error.
int RunMapCommand(int argc, char** argv, const std::vector<std::string>& args, FileReader& reader);
int RunSectionCommand(int argc, char** argv, const std::vector<std::string>& args, FileReader& reader);
