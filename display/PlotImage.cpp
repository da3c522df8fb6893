#include "display/PlotImage.h"

#include <QBuffer>
#include <QImage>
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

bool WritePlot(const PlotPainter& paint, QSize size, PlotImageFormat format, QIODevice& device)
{
    const QRect page(QPoint(0, 0), size);
    constexpr int kDpi = 96;
    QPainter painter;
    switch (format) {
    case PlotImageFormat::Png: {
        QImage image(size, QImage::Format_RGB32);
        image.setDotsPerMeterX(static_cast<int>(kDpi / 0.0254 + 0.5));
        image.setDotsPerMeterY(static_cast<int>(kDpi / 0.0254 + 0.5));
        image.fill(Qt::white);
        if (!painter.begin(&image))
            return false;
        paint(painter, page);
        painter.end();
        return image.save(&device, "PNG");
    }
    case PlotImageFormat::Svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&device);
        svg.setSize(size);
        svg.setViewBox(page);
        svg.setResolution(kDpi);
        svg.setTitle(QStringLiteral("Brinewick plot"));
        if (!painter.begin(&svg))
            return false;
        paint(painter, page);
        return painter.end() && device.isOpen();
    }
    case PlotImageFormat::Pdf: {
        QPdfWriter pdf(&device);
        pdf.setResolution(kDpi);
        pdf.setPageSize(QPageSize(QSizeF(size.width() * 72.0 / kDpi, size.height() * 72.0 / kDpi), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setCreator(QStringLiteral("Brinewick"));
        pdf.setTitle(QStringLiteral("Brinewick plot"));
        if (!painter.begin(&pdf))
            return false;
        paint(painter, page);
        return painter.end();
    }
    }
    return false;
}

bool SavePlot(const PlotPainter& paint, QSize size, PlotImageFormat format, const std::string& path, std::string* error)
{
    // Encoded in memory first: the SVG and PDF writers do not report a refused write,
    // the save file does.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !WritePlot(paint, size, format, buffer) || bytes.isEmpty()) {
        if (error)
            *error = path + ": the image could not be encoded";
        return false;
    }
    buffer.close();
    return WriteFileReplacing(path, std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())), error);
}
