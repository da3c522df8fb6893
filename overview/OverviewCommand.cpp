#include "overview/OverviewCommand.h"

#include "overview/reads.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <tuple>
#include <memory>
#include <optional>

#include "core/replace_file.h"
#include "display/PlotImage.h"
#include "overview/OverviewPainter.h"
#include "overview/density_section.h"
#include "profile/figure_title.h"
#include "profile/profile_summary.h"
#include "profile/reads.h"

namespace {

const char kMapUsage[] = "Usage: brinewick --map FILE -o OUT.png|svg|pdf\n";
const char kSectionUsage[] = "Usage: brinewick --section FILE --var NAME -o OUT.png|svg|pdf [--best] [--good]\n"
                             "                 [--range MIN,MAX]   (colour range; default 1st to 99th percentile)\n"
                             "       NAME: a variable of (N_PROF, N_LEVELS), SIGMA_T or SIGMA_THETA\n";

constexpr int kWidth = 1000;
constexpr int kHeight = 700;

struct Options {
    std::string input, output, variable;
    SectionOptions section;
    std::optional<std::pair<double, double>> range;
};

// "MIN,MAX": two numbers (whole texts, locale-free) that differ.
std::optional<std::pair<double, double>> ParseRange(const std::string& text)
{
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos)
        return std::nullopt;
    auto number = [](std::string_view t) -> std::optional<double> {
        double v = 0;
        const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
        if (t.empty() || ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v))
            return std::nullopt;
        return v;
    };
    const auto lo = number(std::string_view(text).substr(0, comma));
    const auto hi = number(std::string_view(text).substr(comma + 1));
    if (!lo || !hi || *lo == *hi)
        return std::nullopt;
    return std::make_pair(*lo, *hi);
}

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
        } else if (section && a == "--range") {
            if (!hasValue || !(o.range = ParseRange(args[i + 1])))
                return fail("--range needs MIN,MAX: two different numbers");
            ++i;
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

// The title line of a plot of these profiles (all, when `profiles` is empty).
QString TitleOf(FileReader& reader, const std::string& path, const std::vector<std::size_t>& profiles)
{
    const ProfileSummaryList list = ReadProfileSummaries(reader, path);
    if (!list.ok)
        return QString::fromStdString(FigureTitle(FloatNumberOfFileName(path), {}));
    std::vector<ProfileSummary> shown;
    for (std::size_t p : profiles)
        if (p < list.profiles.size())
            shown.push_back(list.profiles[p]);
    return QString::fromStdString(FigureTitle(FloatNumberOfFileName(path), shown));
}

} // namespace

// Fonts need an application object; without a display the offscreen platform serves.
std::unique_ptr<QApplication> EnsurePlotApplication(int argc, char** argv)
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
bool WritePlotFile(const std::string& output, const PlotPainter& paint)
{
    const QString name = QFile::decodeName(output.c_str());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const bool painted = WritePlot(paint, QSize(kWidth, kHeight), ImageFormatOf(name), buffer);
    buffer.close();
    std::string error;
    if (!painted || bytes.isEmpty()) {
        std::fprintf(stderr, "brinewick: cannot write %s: the picture could not be encoded\n", output.c_str());
        return false;
    }
    if (!WriteFileReplacing(output, std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())), &error)) {
        std::fprintf(stderr, "brinewick: cannot write %s\n", error.c_str());
        return false;
    }
    return true;
}

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
    const auto app = EnsurePlotApplication(argc, argv);
    const Coastline& coast = SharedCoastline(QCoreApplication::applicationDirPath().toStdString());
    MapScene scene;
    scene.track = &track;
    scene.coast = &coast;
    const QRect plot = MapPlotRect(QRect(0, 0, kWidth, kHeight));
    scene.view = FitTrack(track.points, plot.width(), plot.height());
    std::vector<std::size_t> onMap;
    for (const TrackPoint& t : track.points)
        onMap.push_back(t.profile);
    scene.title = TitleOf(reader, options->input, onMap);
    if (!coast.ok)
        std::fprintf(stderr, "brinewick: no land drawn: %s\n", coast.message.c_str());
    return WritePlotFile(options->output, [&](QPainter& p, const QRect& area) { PaintMap(p, area, scene); }) ? 0 : 1;
}

int RunSectionCommand(int argc, char** argv, const std::vector<std::string>& args, FileReader& reader)
{
    const std::optional<Options> options = Parse(args, true);
    if (!options)
        return 2;
    const SectionData section = ReadSectionOf(reader, options->input, options->variable, options->section);
    if (!section.ok) {
        std::fprintf(stderr, "brinewick: %s: %s\n", options->input.c_str(), section.message.c_str());
        return 1;
    }
    const auto app = EnsurePlotApplication(argc, argv);
    SectionRaster raster;
    SectionScene scene;
    scene.section = &section;
    scene.raster = &raster;
    const QRect plot = SectionPlotRect(QRect(0, 0, kWidth, kHeight));
    scene.axes = FitSection(section, plot.width(), plot.height());
    std::tie(scene.low, scene.high) = ColourRangeOf(section, options->range);
    RasterSection(section, ColourScale(scene.low, scene.high), scene.axes, raster);
    std::vector<std::size_t> drawn;
    for (const SectionColumn& c : section.columns)
        drawn.push_back(c.profile);
    scene.title = TitleOf(reader, options->input, drawn);
    return WritePlotFile(options->output, [&](QPainter& p, const QRect& area) { PaintSection(p, area, scene); }) ? 0
                                                                                                                 : 1;
}
