#pragma once
// Writing a drawn plot as PNG, SVG or PDF.
#include <QImage>
#include <QIODevice>
#include <QString>

#include <string>

enum class PlotImageFormat { Png, Svg, Pdf };

// The format a file name asks for by its extension (.svg, .pdf, case ignored; else PNG).
PlotImageFormat ImageFormatOf(const std::string& fileName);
PlotImageFormat ImageFormatOf(const QString& fileName);

// Writes `image` to `device` in `format`: PNG as is; SVG and PDF as a page of the
// image's size (in points at 96 pixels per inch for PDF) holding the image. False when
// the device refuses.
bool WritePlotImage(const QImage& image, PlotImageFormat format, QIODevice& device);
