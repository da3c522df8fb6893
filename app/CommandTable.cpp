#include "app/CommandTable.h"

#include <QCommandLineParser>
#include <QStringList>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <map>
#include <string_view>

#include <netcdf.h>

#include "app/PrintCommand.h"
#include "cdl/dump_command.h"
#include "core/replace_file.h"
#include "core/stdout_sink.h"
#include "display/PlotCommand.h"
#include "display/PlotImage.h"
#include "gdac/gdac_command.h"
#include "overview/OverviewCommand.h"
#include "profile/csv_command.h"
#include "profile/levels_command.h"
#include "profile/parameter_series.h"
#include "uikit/OffscreenApplication.h"
#include "gdac/SearchMapCommand.h"

namespace {

// The modes, one bit each, so that an option names the modes it belongs to.
enum Mode : unsigned {
    kWindow = 1u << 0,
    kDump = 1u << 1,
    kCsv = 1u << 2,
    kLevels = 1u << 3,
    kPlot = 1u << 4,
    kMap = 1u << 5,
    kSection = 1u << 6,
    kPrint = 1u << 7,
    kSearch = 1u << 8,
    kFetch = 1u << 9,
    kHelp = 1u << 10,
    kVersion = 1u << 11,
    kFetchFloat = 1u << 12,
};

// Everything a command line can ask; the options' setters fill the part of their
// modes, the mode's runner takes its part and the operands.
struct Request {
    std::vector<std::string> operands;
    DumpRequest dump;
    CsvRequest csv;
    LevelsRequest levels;
    PlotRequest plot;
    OverviewRequest overview;
    std::string pdf; // -o of --print
    SearchRequest search;
    FetchRequest fetch;
    std::string floatDac; // --dac of --fetch-float
};

struct Io {
    std::FILE* out;
    std::FILE* err;
    FileReader& reader;
};

// Stores an option's value into the request; returns the problem, "" when fine.
using Setter = std::string (*)(Request&, const std::string& value);

struct OptionEntry {
    const char* name;  // "limit" is written --limit, "o" -o
    const char* value; // the value's name in the help ("BYTES"); nullptr for a switch
    unsigned modes;    // the modes it belongs to
    const char* help;
    Setter set;
    unsigned requiredIn = 0; // the modes that cannot run without it
    bool repeatable = false; // given more than once, every value is set in turn
};

struct ModeEntry {
    Mode mode;
    const char* name;     // the option that chooses it; nullptr for the window
    const char* operands; // "FILE", "PATH...", "[FILE]" or ""
    std::size_t minOperands, maxOperands;
    const char* summary;
    std::string (*check)(const Request&); // what the options must hold together; "" when fine
    int (*run)(Request&, Io&);
};

std::string NoCheck(const Request&)
{
    return {};
}

bool ParseCount(const std::string& text, std::uint64_t& n)
{
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, n);
    return !text.empty() && ec == std::errc() && at == end;
}

std::string SetLimit(Request& r, const std::string& v)
{
    std::uint64_t n = 0;
    if (!ParseCount(v, n) || n > SIZE_MAX)
        return "--limit takes a number of bytes";
    r.dump.limit = static_cast<std::size_t>(n);
    return {};
}

std::string SetMaxSize(Request& r, const std::string& v)
{
    if (!ParseCount(v, r.fetch.maxFileBytes) || r.fetch.maxFileBytes == 0)
        return "--max-size takes a number of bytes";
    return {};
}

std::string SetNames(std::vector<std::string>& names, const std::string& v, const char* option)
{
    names = SplitNameList(v);
    return names.empty() ? std::string(option) + " takes names separated by commas (DOXY,CHLA)" : std::string();
}

std::string SetValueChoice(Request& r, bool best)
{
    if (r.plot.settings.adjusted || r.plot.settings.best)
        return "give one of --adjusted and --best";
    (best ? r.plot.settings.best : r.plot.settings.adjusted) = true;
    r.levels.choice = best ? ValueChoice::Best : ValueChoice::Adjusted;
    r.overview.section.bestAvailable = best;
    return {};
}

std::string SetVertical(Request& r, const std::string& v)
{
    static const std::map<std::string, std::array<bool, 3>> kinds = {
        {"pressure", {true, false, false}}, {"density", {false, true, false}}, {"temperature", {false, false, true}}};
    const auto it = kinds.find(v);
    if (it == kinds.end())
        return "unknown vertical quantity " + v + " (pressure, density or temperature)";
    r.plot.settings.vertical = it->second;
    return {};
}

std::string SetCurves(Request& r, const std::string& list)
{
    auto& horizontal = r.plot.settings.horizontal;
    horizontal = {false, false, false};
    r.plot.params.clear();
    for (const std::string& item : SplitNameList(list)) {
        if (item == "T" || item == "S" || item == "D")
            horizontal[item == "T" ? 0 : item == "S" ? 1 : 2] = true;
        else if (item.size() > 1)
            r.plot.params.push_back(item); // a level parameter such as DOXY
        else
            return "unknown curve " + item + " (use T, S, D or parameter names such as DOXY)";
    }
    const auto letters = std::count(horizontal.begin(), horizontal.end(), true);
    if (static_cast<std::size_t>(letters) + r.plot.params.size() > 4)
        return "--curves takes at most four curves";
    if (letters == 0 && r.plot.params.empty())
        return "--curves needs a list such as T,S,D";
    return {};
}

std::string SetPicture(Request& r, const std::string& v)
{
    r.plot.output = r.overview.output = v;
    return {};
}

// A picture is never written over its input (nor through a link to it), and its name
// says its format.
std::string CheckPicture(const Request& r)
{
    if (std::string clash = OutputClash(r.plot.output, {r.operands.front()}); !clash.empty())
        return clash;
    return KnownImageFormatOf(r.plot.output) ? std::string() : "OUT must end in .png, .svg or .pdf";
}

std::string SetRange(Request& r, const std::string& v)
{
    r.overview.range = ParseRange(v);
    return r.overview.range ? std::string() : "--range needs MIN,MAX: two different numbers";
}

std::string SetGdac(Request& r, const std::string& v)
{
    r.search.gdac = r.fetch.gdac = v;
    return {};
}

std::string SetCaCert(Request& r, const std::string& v)
{
    r.search.cacert = r.fetch.cacert = v;
    return {};
}

std::string SetDay(Request& r, const std::string& v, bool to)
{
    const auto day = ParseDay(v, to);
    if (!day)
        return std::string(to ? "--to" : "--from") + " takes a date YYYY-MM-DD";
    (to ? r.search.query.dateTo : r.search.query.dateFrom) = *day;
    return {};
}

constexpr unsigned kPictures = kPlot | kMap | kSection;

// Every option, in the order the help lists them within a mode. To add one: an entry
// here (its modes, value name and help) and a setter that stores its value into the
// request of those modes. A mode's own switch (--map) may be listed here as a switch
// of another mode too (--search --map): given together, the other mode is chosen.
const OptionEntry kOptions[] = {
    {"lf", nullptr, kDump, "plain LF line ends instead of CR LF",
     [](Request& r, const std::string&) {
         r.dump.plainLineFeeds = true;
         return std::string();
     }},
    {"limit", "BYTES", kDump, "at most BYTES of text for one variable (default: no limit)", SetLimit},
    {"items", "A,B", kCsv, "variables written as one row of all their values each",
     [](Request& r, const std::string& v) { return SetNames(r.csv.items, v, "--items"); }},
    {"columns", "C,D", kCsv, "variables along N_LEVELS written as one column each, a row per level",
     [](Request& r, const std::string& v) { return SetNames(r.csv.columns, v, "--columns"); }},
    {"profile", "N|all", kCsv, "the profile, 0-based (default 0); all: every profile's columns as one table",
     [](Request& r, const std::string& v) {
         r.csv.profile = v;
         return std::string();
     }},
    {"profile", "N|all", kPlot, "the profile, 0-based (default 0); all: every profile, overlaid",
     [](Request& r, const std::string& v) {
         r.plot.profile = v;
         return std::string();
     }},
    {"profile", "N", kLevels, "the profile, 0-based (default 0)",
     [](Request& r, const std::string& v) {
         r.levels.profile = v;
         return std::string();
     }},
    {"blank-fill", nullptr, kCsv, "fill values of one profile's columns as empty cells",
     [](Request& r, const std::string&) {
         r.csv.blankFill = true;
         return std::string();
     }},
    {"o", "OUT", kCsv, "write the CSV to OUT (default: standard output)",
     [](Request& r, const std::string& v) {
         r.csv.output = v;
         return std::string();
     }},
    {"o", "OUT", kPictures, "the picture: OUT.png, OUT.svg or OUT.pdf", SetPicture, kPictures},
    {"o", "OUT.pdf", kPrint, "write a PDF file (also without a printer: FILE's name with .pdf)",
     [](Request& r, const std::string& v) {
         r.pdf = v;
         return std::string();
     }},
    {"var", "NAME", kSection, "a variable of (N_PROF, N_LEVELS), SIGMA_T or SIGMA_THETA",
     [](Request& r, const std::string& v) {
         r.overview.variable = v;
         return std::string();
     },
     kSection},
    {"adjusted", nullptr, kLevels | kPlot, "the ADJUSTED values (not with --best)",
     [](Request& r, const std::string&) { return SetValueChoice(r, false); }},
    {"best", nullptr, kLevels | kPlot | kSection,
     "the best available values: adjusted where a parameter's data mode is A or D",
     [](Request& r, const std::string&) { return SetValueChoice(r, true); }},
    {"good", nullptr, kLevels | kPlot | kSection, "leave out values flagged 3, 4 or 9",
     [](Request& r, const std::string&) {
         r.levels.goodOnly = r.plot.settings.goodOnly = r.overview.section.goodOnly = true;
         return std::string();
     }},
    {"params", "NAME,NAME", kLevels, "more level parameters (DOXY,CHLA), each with its QC column",
     [](Request& r, const std::string& v) { return SetNames(r.levels.params, v, "--params"); }},
    {"vertical", "pressure|density|temperature", kPlot, "the vertical axis (default pressure)", SetVertical},
    {"curves", "T,S,D,NAME", kPlot, "up to four curves: temperature, salinity, density, level parameters (DOXY)",
     SetCurves},
    {"fit", nullptr, kPlot, "every range from the data shown",
     [](Request& r, const std::string&) {
         r.plot.fit = true;
         return std::string();
     }},
    {"ts", nullptr, kPlot, "a T-S diagram with isopycnals",
     [](Request& r, const std::string&) {
         r.plot.settings.tsDiagram = true;
         return std::string();
     }},
    {"density", "sigma-t|sigma-theta", kPlot, "the density drawn (default sigma-t)",
     [](Request& r, const std::string& v) {
         if (v != "sigma-t" && v != "sigma-theta")
             return std::string("--density needs sigma-t or sigma-theta");
         r.plot.settings.sigmaTheta = v == "sigma-theta";
         return std::string();
     }},
    {"range", "MIN,MAX", kSection, "the colour range (default: 1st to 99th percentile)", SetRange},
    {"gdac", "URL", kSearch | kFetch | kFetchFloat, "the GDAC (https, ftp or file URL)", SetGdac},
    {"cacert", "FILE", kSearch | kFetch | kFetchFloat, "trust this certificate authority too", SetCaCert},
    {"no-cache", nullptr, kSearch, "download the index even when a fresh copy is kept",
     [](Request& r, const std::string&) {
         r.search.noCache = true;
         return std::string();
     }},
    {"index", "core|synthetic|bio", kSearch, "the index searched (default core)",
     [](Request& r, const std::string& v) {
         const auto kind = IndexKindByName(v);
         if (!kind)
             return std::string("--index takes core, synthetic or bio");
         r.search.kind = *kind;
         return std::string();
     }},
    {"wmo", "N[,N...]", kSearch, "floats with these WMO numbers",
     [](Request& r, const std::string& v) {
         const auto wmos = ParseWmoList(v);
         if (!wmos)
             return std::string("--wmo takes WMO numbers separated by commas");
         r.search.query.wmos.insert(r.search.query.wmos.end(), wmos->begin(), wmos->end());
         return std::string();
     },
     0, true},
    {"box", "LATMIN,LATMAX,LONMIN,LONMAX", kSearch, "profiles inside this box (degrees; LONMIN is the west edge)",
     [](Request& r, const std::string& v) {
         return ParseBox(v, r.search.query)
                    ? std::string()
                    : std::string("--box takes LATMIN,LATMAX,LONMIN,LONMAX in degrees (LATMIN <= LATMAX)");
     }},
    {"from", "YYYY-MM-DD", kSearch, "profiles of this day or later",
     [](Request& r, const std::string& v) { return SetDay(r, v, false); }},
    {"to", "YYYY-MM-DD", kSearch, "profiles of this day or earlier",
     [](Request& r, const std::string& v) { return SetDay(r, v, true); }},
    {"dac", "NAME", kSearch | kFetchFloat, "profiles of this data centre (--fetch-float: the float's, else looked up)",
     [](Request& r, const std::string& v) {
         if (v.empty() || v.find_first_of("/,") != std::string::npos || v == "." || v == "..")
             return std::string("--dac takes the name of a DAC");
         r.search.query.dac = r.floatDac = v;
         return std::string();
     }},
    {"map", nullptr, kSearch, "draw the matches on the world map instead (with -o)",
     [](Request& r, const std::string&) {
         r.search.map = true;
         return std::string();
     }},
    {"o", "OUT.png|svg|pdf", kSearch, "the map of --map",
     [](Request& r, const std::string& v) {
         r.search.mapOutput = v;
         return std::string();
     }},
    {"o", "DIR", kFetch | kFetchFloat, "the folder the files are written to (default: the current one)",
     [](Request& r, const std::string& v) {
         r.fetch.dir = v;
         return v.empty() ? std::string("-o needs a folder") : std::string();
     }},
    {"max-size", "BYTES", kFetch, "refuse a file larger than BYTES (default 4 GiB)", SetMaxSize},
};

// Every mode, in the order the help lists them. To add one: a bit in Mode, its request
// in Request, an entry here (its switch, operands, summary, check and runner), and its
// bit in the entries of the options it takes.
const ModeEntry kModes[] = {
    {kWindow, nullptr, "[FILE]", 0, 1, "open FILE (or nothing) in the window", NoCheck,
     [](Request&, Io&) { return 0; }},
    {kDump, "dump", "FILE", 1, 1, "write FILE as CDL text", NoCheck,
     [](Request& r, Io& io) {
         r.dump.path = r.operands[0];
         return run_dump_command(r.dump, io.out, io.err, &io.reader);
     }},
    {kCsv, "csv", "FILE", 1, 1, "write chosen variables of a profile as CSV",
     [](const Request& r) {
         if (r.csv.items.empty() && r.csv.columns.empty())
             return std::string("--csv needs --items or --columns");
         if (!r.csv.items.empty() && r.csv.profile == "all")
             return std::string("--items cannot be used with --profile all (use --columns)");
         return std::string();
     },
     [](Request& r, Io& io) {
         r.csv.file = r.operands[0];
         return run_csv_command(r.csv, io.out, io.err, io.reader);
     }},
    {kLevels, "levels", "FILE", 1, 1, "print the level list of a profile as tab-separated text", NoCheck,
     [](Request& r, Io& io) {
         r.levels.file = r.operands[0];
         return run_levels_command(r.levels, io.out, io.err, io.reader);
     }},
    {kPlot, "plot", "FILE", 1, 1, "draw the profile graph", CheckPicture,
     [](Request& r, Io& io) {
         r.plot.input = r.operands[0];
         return RunPlotCommand(r.plot, io.reader);
     }},
    {kMap, "map", "FILE", 1, 1, "draw the float's track over the coastline", CheckPicture,
     [](Request& r, Io& io) {
         r.overview.input = r.operands[0];
         return RunMapCommand(r.overview, io.reader);
     }},
    {kSection, "section", "FILE", 1, 1, "draw the float's section of one variable against time and pressure", NoCheck,
     [](Request& r, Io& io) {
         r.overview.input = r.operands[0];
         return RunSectionCommand(r.overview, io.reader);
     }},
    {kPrint, "print", "FILE", 1, 1, "print FILE's text (a PDF file with -o or without a printer)", NoCheck,
     [](Request& r, Io&) { return RunPrintCommand(r.operands[0], r.pdf); }},
    {kSearch, "search", "", 0, 0, "print the GDAC index lines that match (their count on standard error)",
     [](const Request& r) {
         if (r.search.map && r.search.mapOutput.empty())
             return std::string("--map needs -o OUT.png|svg|pdf");
         if (!r.search.map && !r.search.mapOutput.empty())
             return std::string("-o goes with --map");
         if (r.search.map && !KnownImageFormatOf(r.search.mapOutput))
             return std::string("OUT must end in .png, .svg or .pdf");
         return std::string();
     },
     [](Request& r, Io& io) { return run_search_command(r.search, io.out, io.err, SearchMapFileWriter()); }},
    {kFetch, "fetch", "PATH...", 1, SIZE_MAX, "fetch dac/PATH files (PATH as in the index) into a folder",
     [](const Request& r) {
         for (const std::string& path : r.operands)
             if (!IsSafeRelativePath(path))
                 return "unusable path \"" + path + "\" (write it as in the index: DAC/WMO/profiles/NAME.nc)";
         return std::string();
     },
     [](Request& r, Io& io) {
         r.fetch.paths = r.operands;
         return run_fetch_command(r.fetch, io.out, io.err);
     }},
    {kFetchFloat, "fetch-float", "WMO", 1, 1, "fetch the float's WMO_prof.nc and WMO_Sprof.nc into a folder",
     [](const Request& r) {
         const auto wmos = ParseWmoList(r.operands.front());
         return wmos && wmos->size() == 1 ? std::string() : std::string("--fetch-float needs one WMO number");
     },
     [](Request& r, Io& io) {
         const FetchFloatRequest request{r.fetch.gdac, r.fetch.cacert, r.fetch.dir, r.operands.front(), r.floatDac};
         return run_fetch_float_command(request, io.out, io.err);
     }},
    {kHelp, "help", "", 0, 0, "print this text", NoCheck,
     [](Request&, Io& io) { return WriteStdout(io.out, io.err, CommandLineHelp(), "cannot write the help"); }},
    {kVersion, "version", "", 0, 0, "print the program's and the netCDF library's versions", NoCheck,
     [](Request&, Io& io) {
         const std::string text = std::string("Brinewick Version 1.0\nnetCDF library ") + nc_inq_libvers() + "\n";
         return WriteStdout(io.out, io.err, text, "cannot write the version");
     }},
};

std::string OptionText(const OptionEntry& o)
{
    std::string text = (o.name[1] ? "--" : "-") + std::string(o.name);
    if (o.value)
        text += std::string(" ") + o.value;
    return text;
}

std::string ModeOption(const ModeEntry& m)
{
    return m.name ? "--" + std::string(m.name) : std::string();
}

// "brinewick --dump FILE [--lf] [--limit BYTES]", wrapped before 100 columns.
std::string Synopsis(const ModeEntry& m, const std::string& indent)
{
    std::vector<std::string> words{"brinewick"};
    if (m.name)
        words.push_back(ModeOption(m));
    if (*m.operands)
        words.push_back(m.operands);
    for (const OptionEntry& o : kOptions)
        if (o.modes & m.mode)
            words.push_back((o.requiredIn & m.mode) ? OptionText(o) : "[" + OptionText(o) + "]");
    const std::string more = indent + "          ";
    std::string text = indent, line;
    std::size_t lead = indent.size();
    for (const std::string& w : words) {
        if (!line.empty() && lead + line.size() + 1 + w.size() > 100) {
            text += line + "\n" + more;
            line.clear();
            lead = more.size();
        }
        line += (line.empty() ? "" : " ") + w;
    }
    return text + line + "\n";
}

const ModeEntry& ModeOf(Mode mode)
{
    return *std::find_if(std::begin(kModes), std::end(kModes), [mode](const ModeEntry& m) { return m.mode == mode; });
}

int UsageError(std::FILE* err, const ModeEntry& mode, const std::string& problem)
{
    std::fprintf(err, "brinewick: %s\nUsage: %s(brinewick --help lists every mode and option)\n", problem.c_str(),
                 Synopsis(mode, "").c_str());
    return 2;
}

// Words as Qt strings that keep every byte (a file name need not be valid text).
QString Word(const std::string& w)
{
    return QString::fromLatin1(w.data(), static_cast<qsizetype>(w.size()));
}
std::string Bytes(const QString& w)
{
    return w.toLatin1().toStdString();
}

// An option and its help, the help from column 34 and wrapped before column 100.
std::string Described(std::string line, const std::string& help)
{
    constexpr std::size_t kColumn = 34, kWidth = 100;
    if (line.size() + 2 > kColumn)
        line += "\n" + std::string(kColumn, ' ');
    else
        line.resize(kColumn, ' ');
    std::size_t used = kColumn;
    std::size_t start = 0;
    bool first = true;
    while (start < help.size()) {
        const std::size_t end = std::min(help.find(' ', start), help.size());
        const std::string word = help.substr(start, end - start);
        if (!first && used + 1 + word.size() > kWidth) {
            line += "\n" + std::string(kColumn, ' ');
            used = kColumn;
            first = true;
        }
        line += (first ? "" : " ") + word;
        used += (first ? 0 : 1) + word.size();
        first = false;
        start = end + 1;
    }
    return line + "\n";
}

} // namespace

std::string CommandLineHelp()
{
    std::string text = "Usage:\n";
    for (const ModeEntry& m : kModes) {
        text += Synopsis(m, "  ");
        text += "      " + std::string(m.summary) + "\n";
        for (const OptionEntry& o : kOptions)
            if (o.modes & m.mode)
                text += Described("      " + OptionText(o), o.help);
    }
    return text;
}

CommandLineOutcome RunCommandLine(const std::vector<std::string>& words, std::FILE* out, std::FILE* err,
                                  FileReader& reader, bool quietToolkit)
{
    CommandLineOutcome outcome;
    QCommandLineParser parser;
    std::map<std::string, bool> takesValue;
    for (const OptionEntry& o : kOptions)
        takesValue[o.name] = o.value != nullptr;
    for (const ModeEntry& m : kModes)
        if (m.name)
            takesValue.erase(m.name); // a mode's switch that is an option of another mode too
    for (const auto& [name, value] : takesValue) {
        QCommandLineOption option(Word(name));
        if (value)
            option.setValueName(QStringLiteral("value"));
        parser.addOption(option);
    }
    for (const ModeEntry& m : kModes)
        if (m.name)
            parser.addOption(m.mode == kHelp
                                 ? QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")})
                                 : QCommandLineOption(Word(m.name)));
    QStringList args{QStringLiteral("brinewick")};
    for (const std::string& w : words)
        args << Word(w);

    const bool parsed = parser.parse(args);
    // The mode: the one mode option given, else the window. Of several, the one whose
    // options the others are (a mode's switch may also be an option of another mode).
    const ModeEntry* mode = &ModeOf(kWindow);
    std::vector<const ModeEntry*> given;
    for (const ModeEntry& m : kModes)
        if (m.name && parser.isSet(Word(m.name)))
            given.push_back(&m);
    auto isOptionOf = [](const char* name, unsigned modeBit) {
        return std::any_of(std::begin(kOptions), std::end(kOptions), [&](const OptionEntry& o) {
            return std::string_view(o.name) == name && (o.modes & modeBit);
        });
    };
    for (const ModeEntry* host : given)
        if (std::all_of(given.begin(), given.end(),
                        [&](const ModeEntry* m) { return m == host || isOptionOf(m->name, host->mode); }))
            mode = host;
    if (given.size() > 1 && !mode->name) {
        outcome.status = UsageError(
            err, *given[0], ModeOption(*given[0]) + " and " + ModeOption(*given[1]) + " are two modes; give one");
        return outcome;
    }
    if (!parsed) {
        const QStringList unknown = parser.unknownOptionNames();
        std::string problem = Bytes(parser.errorText());
        if (!unknown.isEmpty())
            problem = "unknown option " + std::string(unknown.front().size() > 1 ? "--" : "-") + Bytes(unknown.front());
        else if (!words.empty() && words.back().size() > 1 && words.back()[0] == '-') {
            // A value-taking option as the last word.
            const std::string name = words.back().substr(words.back()[1] == '-' ? 2 : 1);
            for (const OptionEntry& o : kOptions)
                if (name == o.name && o.value && (o.modes & mode->mode)) {
                    problem = words.back() + " needs a value: " + o.value;
                    break;
                }
        }
        outcome.status = UsageError(err, *mode, problem);
        return outcome;
    }

    Request request;
    std::map<std::string, std::size_t> seen;
    for (const QString& written : parser.optionNames()) {
        const std::string name = Bytes(written);
        if (mode->name && (name == mode->name || (mode->mode == kHelp && name == "h")))
            continue;
        const std::size_t occurrence = seen[name]++;
        const OptionEntry* entry = nullptr;
        for (const OptionEntry& o : kOptions)
            if (name == o.name && (o.modes & mode->mode))
                entry = &o;
        const std::string shown = (name.size() > 1 ? "--" : "-") + name;
        if (!entry) {
            outcome.status = UsageError(err, *mode,
                                        shown + (mode->name ? " is not an option of " + ModeOption(*mode)
                                                            : " belongs to a mode (such as --dump); give the mode"));
            return outcome;
        }
        if (occurrence > 0 && !entry->repeatable) {
            outcome.status = UsageError(err, *mode, shown + " is given more than once");
            return outcome;
        }
        const QStringList values = parser.values(written);
        const std::string value = entry->value && occurrence < static_cast<std::size_t>(values.size())
                                      ? Bytes(values[static_cast<qsizetype>(occurrence)])
                                      : std::string();
        if (const std::string problem = entry->set(request, value); !problem.empty()) {
            outcome.status = UsageError(err, *mode, problem);
            return outcome;
        }
    }
    for (const QString& operand : parser.positionalArguments())
        request.operands.push_back(Bytes(operand));
    const std::string what = ModeOption(*mode).empty() ? std::string("the window") : ModeOption(*mode);
    if (request.operands.size() < mode->minOperands) {
        const std::string operands = mode->operands;
        outcome.status = UsageError(
            err, *mode,
            what + " needs " +
                (mode->maxOperands > 1 ? "at least one " + operands.substr(0, operands.find('.')) : operands));
        return outcome;
    }
    if (request.operands.size() > mode->maxOperands) {
        outcome.status =
            UsageError(err, *mode,
                       mode->maxOperands == 0 ? what + " takes no file: " + request.operands.front()
                                              : what + " takes one file; more than one given: " + request.operands[1]);
        return outcome;
    }
    for (const OptionEntry& o : kOptions)
        if ((o.requiredIn & mode->mode) && !seen.count(o.name)) {
            outcome.status = UsageError(err, *mode, what + " needs " + OptionText(o));
            return outcome;
        }
    if (const std::string problem = mode->check(request); !problem.empty()) {
        outcome.status = UsageError(err, *mode, problem);
        return outcome;
    }
    if (mode->mode == kWindow) {
        outcome.window = true;
        outcome.file = request.operands.empty() ? std::string() : request.operands.front();
        return outcome;
    }
    // A command without a window writes only its own messages.
    if (quietToolkit)
        QuietToolkitMessages();
    Io io{out, err, reader};
    outcome.status = mode->run(request, io);
    return outcome;
}
