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
#include "uikit/OffscreenApplication.h"
#include "overview/OverviewPainter.h"
#include "overview/density_section.h"
#include "profile/figure_title.h"
#include "profile/profile_summary.h"
#include "profile/reads.h"

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 700;

// A usage error when OUT is the input or a link to it.
bool OutputClashes(const OverviewRequest& o)
{
    if (const std::string clash = OutputClash(o.output, {o.input}); !clash.empty()) {
        std::fprintf(stderr, "brinewick: %s\n", clash.c_str());
        return true;
    }
    return false;
}

} // namespace

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

namespace {

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

int RunMapCommand(const OverviewRequest& request, FileReader& reader)
{
    const OverviewRequest* options = &request;
    if (OutputClashes(request))
        return 2;
    const FloatTrack track = ReadFloatTrack(reader, options->input);
    if (!track.ok) {
        std::fprintf(stderr, "brinewick: %s: %s\n", options->input.c_str(), track.message.c_str());
        return 1;
    }
    const auto app = OffscreenApplication();
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

int RunSectionCommand(const OverviewRequest& request, FileReader& reader)
{
    const OverviewRequest* options = &request;
    if (OutputClashes(request))
        return 2;
    const SectionData section = ReadSectionOf(reader, options->input, options->variable, options->section);
    if (!section.ok) {
        std::fprintf(stderr, "brinewick: %s: %s\n", options->input.c_str(), section.message.c_str());
        return 1;
    }
    const auto app = OffscreenApplication();
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
