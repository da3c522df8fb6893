#include "display/PlotImage.h"

#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include "core/replace_file.h"

PlotImageFormat ImageFormatOf(const QString& fileName)
{
    if (fileName.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive))
        return PlotImageFormat::Svg;
    if (fileName.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        return PlotImageFormat::Pdf;
    return PlotImageFormat::Png;
}

PlotImageFormat ImageFormatOf(const std::string& fileName)
{
    return ImageFormatOf(QString::fromStdString(fileName));
}

std::optional<PlotImageFormat> KnownImageFormatOf(const std::string& fileName)
{
    const QString name = QString::fromStdString(fileName);
    if (!name.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive) &&
        !name.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive) &&
        !name.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        return std::nullopt;
    return ImageFormatOf(name);
}

bool WritePlotImage(const QImage& image, PlotImageFormat format, QIODevice& device)
{
    switch (format) {
    case PlotImageFormat::Png: return image.save(&device, "PNG");
    case PlotImageFormat::Svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&device);
        svg.setSize(image.size());
        svg.setViewBox(QRect(QPoint(0, 0), image.size()));
        svg.setTitle(QStringLiteral("Brinewick graph"));
        QPainter painter;
        if (!painter.begin(&svg))
            return false;
        painter.drawImage(0, 0, image);
        return painter.end() && device.isOpen();
    }
    case PlotImageFormat::Pdf: {
        QPdfWriter pdf(&device);
        pdf.setResolution(96);
        pdf.setPageSize(QPageSize(QSizeF(image.width() * 72.0 / 96.0, image.height() * 72.0 / 96.0), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setCreator(QStringLiteral("Brinewick"));
        QPainter painter;
        if (!painter.begin(&pdf))
            return false;
        painter.drawImage(0, 0, image);
        return painter.end();
    }
    }
    return false;
}

bool SavePlotImage(const QImage& image, PlotImageFormat format, const std::string& path, std::string* error)
{
    // Encoded in memory first: the SVG and PDF writers do not report a refused write,
    // the save file does.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !WritePlotImage(image, format, buffer) || bytes.isEmpty()) {
        if (error)
            *error = path + ": the image could not be encoded";
        return false;
    }
    buffer.close();
    return WriteFileReplacing(path, std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())), error);
}
