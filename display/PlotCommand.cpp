#include "display/PlotCommand.h"

#include "display/reads.h"
#include "profile/reads.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

#include "core/replace_file.h"
#include "uikit/DialogUnits.h"
#include "uikit/OffscreenApplication.h"
#include "display/AxisTitles.h"
#include "display/GraphPainter.h"
#include "display/ParameterCurves.h"
#include "display/PlotImage.h"
#include "display/GraphSettings.h"
#include "profile/level_records.h"
#include "profile/profile_choice.h"
#include "profile/profile_levels.h"
#include "profile/chosen_values.h"
#include "profile/parameter_series.h"
#include "profile/profile_qc.h"
#include "profile/figure_title.h"
#include "profile/profile_summary.h"

namespace {} // namespace

int RunPlotCommand(const PlotRequest& request, FileReader& reader)
{
    const PlotRequest* options = &request;
    if (const std::string clash = OutputClash(options->output, {options->input}); !clash.empty()) {
        std::fprintf(stderr, "brinewick: %s\n", clash.c_str());
        return 2;
    }

    // Only a file with the profile dimensions has something to plot: never an empty frame.
    const ProfileToolsInfo info = ReadProfileToolsInfo(reader, options->input);
    if (!info.offered) {
        // The open's own reason for a file that cannot be read, else the shape's.
        CLevelArray probe;
        const LevelLoadResult opened = LoadLevelArray(reader, options->input, probe);
        const bool readable = opened.ok || opened.message.find(options->input) != 0;
        std::fprintf(stderr, "brinewick: %s\n",
                     readable ? (options->input + ": " + info.reason).c_str() : opened.message.c_str());
        return 1;
    }
    std::vector<std::size_t> chosen{0};
    if (options->profile == "all") {
        chosen.resize(info.extent.profiles);
        for (std::size_t p = 0; p < chosen.size(); ++p)
            chosen[p] = p;
    } else if (!options->profile.empty()) {
        const ProfileArgument a = ParseProfileArgument(options->profile, info.extent.profiles);
        if (!a.ok) {
            std::fprintf(stderr, "brinewick: %s: %s\n", options->input.c_str(), a.message.c_str());
            return 2;
        }
        chosen[0] = a.index;
    }
    if (info.extent.profiles > 1 && chosen.size() == 1)
        std::fprintf(stderr, "%s\n", DescribeChosenProfile(reader, options->input, chosen[0]).c_str());

    std::vector<CLevelArray> profiles;
    const LevelLoadResult loaded = LoadProfileLevels(reader, options->input, info.extent, chosen, profiles);
    if (!loaded.ok || profiles.empty()) {
        std::fprintf(stderr, "brinewick: %s\n", loaded.message.c_str());
        return 1;
    }
    std::vector<ProfileFlags> flags;
    const FlagLoadResult flagged = LoadProfileFlags(reader, options->input, info.extent, chosen, flags);
    if (!flagged.ok || flags.size() != profiles.size()) {
        std::fprintf(stderr, "brinewick: %s\n", flagged.message.c_str());
        return 1;
    }
    GraphSettings settings = options->settings;
    if (settings.adjusted && !AdjustedUsable(profiles)) {
        std::fprintf(stderr, "brinewick: %s: %s\n", options->input.c_str(), AdjustedUnusableMessage().c_str());
        return 1;
    }
    // Each profile's values as chosen per parameter, blanked where flagged 3, 4 or 9
    // under --good.
    const ValueChoice choice = settings.best       ? ValueChoice::Best
                               : settings.adjusted ? ValueChoice::Adjusted
                                                   : ValueChoice::Raw;
    const ParameterLoad extra = LoadParameterSeries(reader, options->input, info.extent, chosen, options->params);
    if (!extra.ok || extra.series.size() != profiles.size()) {
        std::fprintf(stderr, "brinewick: %s\n", extra.message.c_str());
        return 1;
    }
    std::vector<ResolvedProfile> resolved;
    for (std::size_t k = 0; k < profiles.size(); ++k)
        resolved.push_back(ResolveProfile(profiles[k], flags[k], choice, settings.goodOnly, extra.series[k]));
    // Each parameter's curve: the first profile's with the overlaid profiles' beside it.
    std::vector<ParameterCurve> parameterCurves;
    for (std::size_t k = 0; k < options->params.size(); ++k) {
        const ParameterInfo& p = extra.info[k];
        ParameterCurve curve{resolved.front().params[k], ParameterTitle(p), {}};
        for (std::size_t o = 1; o < resolved.size(); ++o)
            curve.overlay.push_back(resolved[o].params[k]);
        parameterCurves.push_back(std::move(curve));
    }
    for (std::size_t k = 0; k < profiles.size(); ++k)
        profiles[k] = std::move(resolved[k].levels);
    ReadAxisTitles(reader, options->input, settings);
    const CLevelArray& levels = profiles.front();
    std::vector<const CLevelArray*> overlay;
    GraphQc qc;
    qc.flags = &resolved.front().flags;
    for (std::size_t k = 1; k < profiles.size(); ++k)
        overlay.push_back(&profiles[k]);

    if (options->fit) {
        std::vector<const CLevelArray*> all;
        for (const CLevelArray& p : profiles)
            all.push_back(&p);
        settings.range = FitRanges(settings, all);
    }

    // Never an empty frame: at least one chosen curve has a point. Points beyond the
    // axes are counted, not hidden silently.
    std::vector<const CLevelArray*> all;
    for (const CLevelArray& p : profiles)
        all.push_back(&p);
    const CurvePointCount counted = CountCurvePoints(settings, all);
    const GraphSettings plotted = PlottedSettings(settings);
    std::string missing;
    std::size_t points = 0;
    for (int c = 0; c < 3; ++c)
        if (plotted.horizontal[static_cast<std::size_t>(c)]) {
            points += counted.points[static_cast<std::size_t>(c)];
            if (counted.points[static_cast<std::size_t>(c)] == 0)
                missing += (missing.empty() ? "" : ", ") + std::string(CurveName(static_cast<CurveQuantity>(c)));
        }
    for (const ParameterCurve& c : parameterCurves) {
        const std::size_t n = ParameterPoints(c, settings, profiles.front(), overlay);
        points += n;
        if (n == 0)
            missing += (missing.empty() ? "" : ", ") + c.series.name;
    }
    if (points == 0) {
        std::fprintf(stderr, "brinewick: %s: nothing to plot: no level has a value of %s beside its vertical value\n",
                     options->input.c_str(), missing.empty() ? "any chosen curve" : missing.c_str());
        return 1;
    }
    if (!missing.empty())
        std::fprintf(stderr, "brinewick: %s: no value to plot for %s\n", options->input.c_str(), missing.c_str());
    if (counted.outside > 0)
        std::fprintf(stderr, "brinewick: %s: %s (--fit sets the ranges from the data)\n", options->input.c_str(),
                     OutsideAxesText(counted.outside).c_str());

    // Fonts need an application object; without a display the offscreen platform serves.
    const std::unique_ptr<QApplication> app = OffscreenApplication();

    // The title line and legend from the profiles' summaries (a file without them
    // still plots, with a shorter title).
    GraphKey key;
    // One profile's summary is read from its row alone.
    const ProfileRange range = chosen.size() == 1 ? ProfileRange{chosen[0], 1} : ProfileRange{};
    if (const ProfileSummaryList list = ReadProfileSummaries(reader, options->input, range); list.ok) {
        std::vector<ProfileSummary> shown;
        for (std::size_t p : chosen)
            if (p >= range.first && p - range.first < list.profiles.size())
                shown.push_back(list.profiles[p - range.first]);
        key = GraphKeyOf(FloatNumberOfFileName(options->input), shown);
    }

    // The plot area of the graph viewer, in its dialog's units; each parameter's axis
    // adds a row below.
    const QSize graphSize = DialogUnits(DialogFont()).rect(7, 6, 346, 337).size();
    QSize size = graphSize;
    if (!parameterCurves.empty()) {
        QImage probe(1, 1, QImage::Format_RGB32);
        QPainter measure(&probe);
        measure.setFont(DialogFont());
        size.rheight() += static_cast<int>(parameterCurves.size()) * ParameterAxisHeight(measure);
    }
    auto paint = [&](QPainter& p, const QRect& page) {
        const PixelRect area{page.left(), page.top(), page.right() + 1, page.top() + graphSize.height()};
        const PixelRect plot =
            DrawGraph(p, area, settings, levels, DialogFont(), overlay, qc, key, qRgb(255, 255, 255));
        if (!parameterCurves.empty()) {
            p.setFont(DialogFont());
            const PixelRect whole{page.left(), page.top(), page.right() + 1, page.bottom() + 1};
            DrawParameterCurves(p, whole, plot, BelowCurveAxes(p, plot, settings), settings, levels, parameterCurves,
                                overlay);
        }
    };
    std::string error;
    if (!SavePlot(paint, size, *KnownImageFormatOf(options->output), options->output, &error)) {
        std::fprintf(stderr, "brinewick: cannot write %s\n", error.c_str());
        return 1;
    }
    return 0;
}
