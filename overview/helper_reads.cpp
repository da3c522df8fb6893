#include "overview/helper_reads.h"

#include "core/helper_read.h"

FloatTrack ReadFloatTrackInHelper(const std::string& path)
{
    FloatTrack track;
    std::string failure;
    if (!read_in_helper_as("track", {path}, path, track, failure)) {
        track = FloatTrack();
        track.message = failure;
    }
    return track;
}

std::vector<std::string> SectionVariablesInHelper(const std::string& path)
{
    std::vector<std::string> names;
    std::string failure;
    if (!read_in_helper_as("section-variables", {path}, path, names, failure))
        names.clear(); // as for a file that cannot be read
    return names;
}

SectionData ReadSectionInHelper(const std::string& path, const std::string& variable, const SectionOptions& options)
{
    SectionData section;
    std::string failure;
    const std::string flags = std::string(options.bestAvailable ? "b" : "") + (options.goodOnly ? "g" : "") + "-";
    if (!read_in_helper_as("section", {path, variable, flags}, path, section, failure)) {
        section = SectionData();
        section.variable = variable;
        section.message = failure;
    }
    return section;
}

std::optional<std::string> ServeOverviewRead(const std::string& kind, const std::vector<std::string>& args)
{
    if (kind == "track" && args.size() == 1)
        return to_wire(ReadFloatTrack(args[0]));
    if (kind == "section-variables" && args.size() == 1)
        return to_wire(SectionVariables(args[0]));
    if (kind == "section" && args.size() == 3) {
        SectionOptions options;
        options.bestAvailable = args[2].find('b') != std::string::npos;
        options.goodOnly = args[2].find('g') != std::string::npos;
        return to_wire(ReadSection(args[0], args[1], options));
    }
    return std::nullopt;
}
