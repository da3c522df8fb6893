#pragma once
// Writing a drawn plot as PNG, SVG or PDF.
#include <QImage>
#include <QIODevice>
#include <QString>

#include <optional>
#include <string>

enum class PlotImageFormat { Png, Svg, Pdf };

// The format a file name asks for by its extension (.svg, .pdf, case ignored; else PNG).
PlotImageFormat ImageFormatOf(const std::string& fileName);
PlotImageFormat ImageFormatOf(const QString& fileName);
// The format of a name ending in .png, .svg or .pdf (case ignored); none for others.
std::optional<PlotImageFormat> KnownImageFormatOf(const std::string& fileName);

// Writes `image` to `device` in `format`: PNG as is; SVG and PDF as a page of the
// image's size (in points at 96 pixels per inch for PDF) holding the image. False when
// the device refuses.
bool WritePlotImage(const QImage& image, PlotImageFormat format, QIODevice& device);

// Writes `image` in `format` to the file `path` through a temporary file that replaces
// it only when every byte is on disk; false with the file's name and the system's
// reason in `error` (the old file, or a link at `path`, then stays as it was).
bool SavePlotImage(const QImage& image, PlotImageFormat format, const std::string& path, std::string* error);
