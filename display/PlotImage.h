#pragma once
// Writing a plot as PNG, SVG or PDF from one painting routine: PNG through an image,
// SVG and PDF as a page of vector paths and text.
#include <QIODevice>
#include <QRect>
#include <QString>

#include <functional>
#include <optional>
#include <string>

class QPainter;

enum class PlotImageFormat { Png, Svg, Pdf };

// The format a file name asks for by its extension (.svg, .pdf, case ignored; else PNG).
PlotImageFormat ImageFormatOf(const std::string& fileName);
PlotImageFormat ImageFormatOf(const QString& fileName);
// The format of a name ending in .png, .svg or .pdf (case ignored); none for others.
std::optional<PlotImageFormat> KnownImageFormatOf(const std::string& fileName);

// Paints the plot into the rectangle it is given (the page, from 0, 0).
using PlotPainter = std::function<void(QPainter&, const QRect&)>;

// Paints a plot of `size` pixels and writes it to `device` in `format`: PNG at that
// size; SVG and PDF as a page of that size at 96 pixels per inch (the screen's), so
// that text and lines keep their proportions. False when the device refuses.
bool WritePlot(const PlotPainter& paint, QSize size, PlotImageFormat format, QIODevice& device);

// Paints the plot as WritePlot does and saves it at `path` through a temporary file that
// replaces it only when every byte is on disk; false with the file's name and the
// system's reason in `error` (the old file, or a link at `path`, then stays as it was).
bool SavePlot(const PlotPainter& paint, QSize size, PlotImageFormat format, const std::string& path,
              std::string* error);
