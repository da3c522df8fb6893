#include "profile/levels_command.h"

#include "profile/reads.h"

#include <charconv>
#include <cmath>

#include "cdl/c_format.h"
#include "core/stdout_sink.h"
#include "profile/profile_choice.h"
#include "profile/parameter_series.h"
#include "profile/profile_levels.h"
#include "profile/seawater.h"

namespace {

std::string Fixed4(double value)
{
    if (value == kMissingValue || !std::isfinite(value))
        return {};
    static const CFormat format = *CFormat::parse("%.4f", ValueKind::Floating);
    return format.format(value);
}

std::string FlagText(char flag)
{
    return flag == kNoFlag ? std::string() : std::string(1, flag);
}

} // namespace

std::string ShortestFloatText(double value)
{
    if (value == kMissingValue || !std::isfinite(value))
        return {};
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<float>(value));
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string();
}

std::string FormatLevelLines(const std::vector<ShownLevel>& shown, const std::vector<std::string>& params)
{
    std::string text = "LEVEL\tPRES\tTEMP\tPSAL\tSIGMA_T\tTHETA\tSIGMA_THETA\tPRES_QC\tTEMP_QC\tPSAL_QC";
    for (const std::string& name : params)
        text += '\t' + name + '\t' + name + "_QC";
    text += '\n';
    std::size_t level = 0;
    for (const ShownLevel& s : shown) {
        text += std::to_string(level++);
        for (const std::string& field :
             {ShortestFloatText(s.pres), ShortestFloatText(s.temp), ShortestFloatText(s.psal), Fixed4(s.sigmaT),
              Fixed4(s.theta), Fixed4(s.sigmaTheta), FlagText(s.flags.pres), FlagText(s.flags.temp),
              FlagText(s.flags.psal)}) {
            text += '\t';
            text += field;
        }
        for (const ChosenValue& v : s.params) {
            text += '\t';
            text += ShortestFloatText(v.value);
            text += '\t';
            text += FlagText(v.flag);
        }
        text += '\n';
    }
    return text;
}

int run_levels_command(const LevelsRequest& request, std::FILE* out, std::FILE* err, FileReader& reader)
{
    const std::string& file = request.file;
    const ValueChoice choice = request.choice;
    const ProfileToolsInfo info = ReadProfileToolsInfo(reader, file);
    if (!info.offered) {
        CLevelArray probe;
        const LevelLoadResult opened = LoadLevelArray(reader, file, probe);
        const bool readable = opened.ok || opened.message.find(file) != 0;
        std::fprintf(err, "brinewick: %s\n", readable ? (file + ": " + info.reason).c_str() : opened.message.c_str());
        return 1;
    }
    std::size_t index = 0;
    if (request.profile) {
        const ProfileArgument p = ParseProfileArgument(*request.profile, info.extent.profiles);
        if (!p.ok) {
            std::fprintf(err, "brinewick: %s: %s\n", file.c_str(), p.message.c_str());
            return 2;
        }
        index = p.index;
    }
    if (info.extent.profiles > 1)
        std::fprintf(err, "%s\n", DescribeChosenProfile(reader, file, index).c_str());

    const std::size_t chosen[] = {index};
    std::vector<CLevelArray> levels;
    const LevelLoadResult loaded = LoadProfileLevels(reader, file, info.extent, chosen, levels);
    if (!loaded.ok || levels.size() != 1) {
        std::fprintf(err, "brinewick: %s\n", loaded.message.c_str());
        return 1;
    }
    std::vector<ProfileFlags> flags;
    const FlagLoadResult flagged = LoadProfileFlags(reader, file, info.extent, chosen, flags);
    if (!flagged.ok || flags.size() != 1) {
        std::fprintf(err, "brinewick: %s\n", flagged.message.c_str());
        return 1;
    }
    if (choice == ValueChoice::Adjusted && !AdjustedUsable(levels)) {
        std::fprintf(err, "brinewick: %s: %s\n", file.c_str(), AdjustedUnusableMessage().c_str());
        return 1;
    }
    const std::vector<std::string>& names = request.params;
    const ParameterLoad extra = LoadParameterSeries(reader, file, info.extent, chosen, names);
    if (!extra.ok || extra.series.size() != 1) {
        std::fprintf(err, "brinewick: %s\n", extra.message.c_str());
        return 1;
    }
    for (const ParameterInfo& p : extra.info)
        if (!p.present)
            std::fprintf(err, "brinewick: %s: no level parameter %s; its column is empty.\n", file.c_str(),
                         p.name.c_str());
    const std::string text =
        FormatLevelLines(ShownLevels(levels[0], flags[0], choice, request.goodOnly, extra.series[0]), names);
    return WriteStdout(out, err, text, "cannot write the level list");
}
