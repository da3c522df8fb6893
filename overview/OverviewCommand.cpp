#include "overview/OverviewCommand.h"

#include "overview/reads.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

#include "core/replace_file.h"
#include "overview/OverviewPainter.h"

namespace {

const char kMapUsage[] = "Usage: brinewick --map FILE -o OUT.png|svg|pdf\n";
const char kSectionUsage[] = "Usage: brinewick --section FILE --var NAME -o OUT.png|svg|pdf [--best] [--good]\n";

constexpr int kWidth = 1000;
constexpr int kHeight = 700;

struct Options {
    std::string input, output, variable;
    SectionOptions section;
};

std::optional<Options> Parse(const std::vector<std::string>& args, bool section)
{
    Options o;
    const char* usage = section ? kSectionUsage : kMapUsage;
    auto fail = [usage](const std::string& why) -> std::optional<Options> {
        std::fprintf(stderr, "brinewick: %s\n%s", why.c_str(), usage);
        return std::nullopt;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "-o") {
            if (!hasValue)
                return fail("-o needs a file name");
            o.output = args[++i];
        } else if (section && a == "--var") {
            if (!hasValue)
                return fail("--var needs a variable name");
            o.variable = args[++i];
        } else if (section && a == "--best") {
            o.section.bestAvailable = true;
        } else if (section && a == "--good") {
            o.section.goodOnly = true;
        } else if (!a.empty() && a[0] == '-') {
            return fail("unknown option " + a);
        } else if (o.input.empty()) {
            o.input = a;
        } else {
            return fail("more than one file: " + a);
        }
    }
    if (o.input.empty())
        return fail("no file given");
    if (o.output.empty())
        return fail("-o OUT is needed");
    if (section && o.variable.empty())
        return fail("--var NAME is needed");
    if (const std::string clash = OutputClash(o.output, {o.input}); !clash.empty()) {
        std::fprintf(stderr, "brinewick: %s\n", clash.c_str());
        return std::nullopt;
    }
    const QString out = QString::fromStdString(o.output).toLower();
    if (!out.endsWith(QLatin1String(".png")) && !out.endsWith(QLatin1String(".svg")) &&
        !out.endsWith(QLatin1String(".pdf")))
        return fail("OUT must end in .png, .svg or .pdf");
    return o;
}

// Fonts need an application object; without a display the offscreen platform serves.
std::unique_ptr<QApplication> EnsureApplication(int argc, char** argv)
{
    static int appArgc = 1;
    if (QCoreApplication::instance())
        return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    appArgc = argc > 0 ? 1 : 0;
    return std::make_unique<QApplication>(appArgc, argv);
}

// Paints kWidth x kHeight into OUT as PNG, SVG or PDF; OUT is replaced only when complete.
bool Write(const std::string& output, const std::function<void(QPainter&, const QRect&)>& paint)
{
    const QString name = QFile::decodeName(output.c_str());
    const QString lower = name.toLower();
    const QRect area(0, 0, kWidth, kHeight);
    QByteArray bytes;
    if (lower.endsWith(QLatin1String(".png"))) {
        QImage image(area.size(), QImage::Format_RGB32);
        QPainter painter(&image);
        paint(painter, area);
        painter.end();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    } else if (lower.endsWith(QLatin1String(".svg"))) {
        QBuffer buffer(&bytes);
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(area.size());
        svg.setViewBox(area);
        svg.setTitle(QStringLiteral("Brinewick"));
        QPainter painter(&svg);
        paint(painter, area);
    } else {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&buffer);
        pdf.setPageSize(QPageSize(QSizeF(kWidth, kHeight), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setResolution(72);
        QPainter painter(&pdf);
        paint(painter, area);
    }
    std::string error;
    if (bytes.isEmpty()) {
        std::fprintf(stderr, "brinewick: cannot write %s: the picture could not be encoded\n", output.c_str());
        return false;
    }
    if (!WriteFileReplacing(output, std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())), &error)) {
        std::fprintf(stderr, "brinewick: cannot write %s\n", error.c_str());
        return false;
    }
    return true;
}

} // namespace

int RunMapCommand(int argc, char** argv, const std::vector<std::string>& args, FileReader& reader)
{
    const std::optional<Options> options = Parse(args, false);
    if (!options)
        return 2;
    const FloatTrack track = ReadFloatTrack(reader, options->input);
    if (!track.ok) {
        std::fprintf(stderr, "brinewick: %s: %s\n", options->input.c_str(), track.message.c_str());
        return 1;
    }
    const auto app = EnsureApplication(argc, argv);
    const Coastline& coast = SharedCoastline(QCoreApplication::applicationDirPath().toStdString());
    MapScene scene;
    scene.track = &track;
    scene.coast = &coast;
    const QRect plot = MapPlotRect(QRect(0, 0, kWidth, kHeight));
    scene.view = FitTrack(track.points, plot.width(), plot.height());
    if (!coast.ok)
        std::fprintf(stderr, "brinewick: no land drawn: %s\n", coast.message.c_str());
    return Write(options->output, [&](QPainter& p, const QRect& area) { PaintMap(p, area, scene); }) ? 0 : 1;
}

int RunSectionCommand(int argc, char** argv, const std::vector<std::string>& args, FileReader& reader)
{
    const std::optional<Options> options = Parse(args, true);
    if (!options)
        return 2;
    const SectionData section = ReadSection(reader, options->input, options->variable, options->section);
    if (!section.ok) {
        std::fprintf(stderr, "brinewick: %s: %s\n", options->input.c_str(), section.message.c_str());
        return 1;
    }
    const auto app = EnsureApplication(argc, argv);
    SectionRaster raster;
    SectionScene scene;
    scene.section = &section;
    scene.raster = &raster;
    const QRect plot = SectionPlotRect(QRect(0, 0, kWidth, kHeight));
    scene.axes = FitSection(section, plot.width(), plot.height());
    RasterSection(section, ColourScale(section.valueLow, section.valueHigh), scene.axes, raster);
    return Write(options->output, [&](QPainter& p, const QRect& area) { PaintSection(p, area, scene); }) ? 0 : 1;
}
