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

namespace {

const char kPlotUsage[] = "Usage: brinewick --plot FILE -o OUT.png|OUT.svg|OUT.pdf [--adjusted|--best] [--good]\n"
                          "                 [--vertical pressure|density|temperature] [--curves T,S,D,NAME]\n"
                          "                 [--profile N|all]   (0-based profile, default 0; all: every profile)\n"
                          "                 [--fit] [--ts] [--density sigma-t|sigma-theta]\n";

struct PlotOptions {
    std::string input;
    std::string output;
    GraphSettings settings;
    std::string profile;             // "--profile": a number, "all", or empty for profile 0
    bool fit = false;                // "--fit": ranges from the data shown
    std::vector<std::string> params; // "--curves" items naming level parameters (DOXY, ...)
};

// Parses the words after "--plot"; writes the reason to stderr and returns none on a
// usage error.
std::optional<PlotOptions> ParseOptions(const std::vector<std::string>& args)
{
    PlotOptions o;
    auto fail = [](const std::string& why) -> std::optional<PlotOptions> {
        std::fprintf(stderr, "brinewick: %s\n%s", why.c_str(), kPlotUsage);
        return std::nullopt;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "-o") {
            if (!hasValue)
                return fail("-o needs a file name");
            o.output = args[++i];
        } else if (a == "--profile") {
            if (!hasValue || !o.profile.empty())
                return fail("--profile needs one profile number or all");
            o.profile = args[++i];
        } else if (a == "--adjusted" || a == "--best") {
            if (o.settings.adjusted || o.settings.best)
                return fail("give one of --adjusted and --best");
            (a == "--best" ? o.settings.best : o.settings.adjusted) = true;
        } else if (a == "--good") {
            o.settings.goodOnly = true;
        } else if (a == "--fit") {
            o.fit = true;
        } else if (a == "--ts") {
            o.settings.tsDiagram = true;
        } else if (a == "--density") {
            if (!hasValue || (args[i + 1] != "sigma-t" && args[i + 1] != "sigma-theta"))
                return fail("--density needs sigma-t or sigma-theta");
            o.settings.sigmaTheta = args[++i] == "sigma-theta";
        } else if (a == "--vertical") {
            if (!hasValue)
                return fail("--vertical needs pressure, density or temperature");
            const std::string& v = args[++i];
            if (v == "pressure")
                o.settings.vertical = {true, false, false};
            else if (v == "density")
                o.settings.vertical = {false, true, false};
            else if (v == "temperature")
                o.settings.vertical = {false, false, true};
            else
                return fail("unknown vertical quantity " + v);
        } else if (a == "--curves") {
            if (!hasValue)
                return fail("--curves needs a list such as T,S,D");
            o.settings.horizontal = {false, false, false};
            const std::string& list = args[++i];
            std::size_t start = 0;
            while (start <= list.size()) {
                const std::size_t end = std::min(list.find(',', start), list.size());
                const std::string item = list.substr(start, end - start);
                if (item == "T")
                    o.settings.horizontal[0] = true;
                else if (item == "S")
                    o.settings.horizontal[1] = true;
                else if (item == "D")
                    o.settings.horizontal[2] = true;
                else if (item.size() > 1)
                    o.params.push_back(item); // a level parameter such as DOXY
                else if (!item.empty())
                    return fail("unknown curve " + item + " (use T, S, D or parameter names such as DOXY)");
                start = end + 1;
            }
            const auto letters = std::count(o.settings.horizontal.begin(), o.settings.horizontal.end(), true);
            if (static_cast<std::size_t>(letters) + o.params.size() > 4)
                return fail("--curves takes at most four curves");
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            return fail("unknown option " + a);
        } else if (o.input.empty()) {
            o.input = a;
        } else {
            return fail("more than one input file");
        }
    }
    if (o.input.empty())
        return fail("no input file");
    if (o.output.empty())
        return fail("no output file (-o OUT.png)");
    if (const std::string clash = OutputClash(o.output, {o.input}); !clash.empty()) {
        std::fprintf(stderr, "brinewick: %s\n", clash.c_str());
        return std::nullopt;
    }
    if (!KnownImageFormatOf(o.output))
        return fail("OUT must end in .png, .svg or .pdf");
    return o;
}

} // namespace

int RunPlotCommand(int argc, char** argv, const std::vector<std::string>& args, FileReader& reader)
{
    const std::optional<PlotOptions> options = ParseOptions(args);
    if (!options)
        return 2;

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
            std::fprintf(stderr, "brinewick: %s\n%s", a.message.c_str(), kPlotUsage);
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
    // The parameters' curves are those of the first profile.
    std::vector<ParameterCurve> parameterCurves;
    for (std::size_t k = 0; k < options->params.size(); ++k) {
        const ParameterInfo& p = extra.info[k];
        std::string title = p.longName.empty() ? p.name : p.longName;
        if (!p.units.empty())
            title += " (" + p.units + ")";
        parameterCurves.push_back(ParameterCurve{resolved.front().params[k], title});
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
        const std::size_t n = ParameterPoints(c, settings, profiles.front());
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
    std::unique_ptr<QApplication> app;
    int appArgc = argc > 0 ? 1 : 0;
    if (!QCoreApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(appArgc, argv);
    }

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
            DrawParameterCurves(p, whole, plot, BelowCurveAxes(p, plot, settings), settings, levels, parameterCurves);
        }
    };
    std::string error;
    if (!SavePlot(paint, size, *KnownImageFormatOf(options->output), options->output, &error)) {
        std::fprintf(stderr, "brinewick: cannot write %s\n", error.c_str());
        return 1;
    }
    return 0;
}
