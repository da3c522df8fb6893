#include "display/PlotImage.h"

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

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
