#include "display/helper_reads.h"

#include <array>

#include "core/helper_read.h"

namespace {

// The three titles ReadAxisTitles sets; the fallbacks go in, and come back where the
// file has none.
struct AxisTitles {
    std::string pressure, temperature, salinity;
};
template <class Ar>
void wire_fields(Ar& ar, AxisTitles& t)
{
    ar(t.pressure, t.temperature, t.salinity);
}

} // namespace

ProfileTable ReadProfileTableInHelper(const std::string& path, std::size_t profile)
{
    ProfileTable table;
    std::string failure;
    if (!read_in_helper_as("table", {path, std::to_string(profile)}, path, table, failure)) {
        table = ProfileTable();
        table.message = failure;
    }
    return table;
}

void ReadAxisTitlesInHelper(const std::string& path, GraphSettings& settings)
{
    AxisTitles titles;
    std::string failure;
    if (read_in_helper_as("axis-titles",
                          {path, settings.pressureTitle, settings.temperatureTitle, settings.salinityTitle}, path,
                          titles, failure)) {
        settings.pressureTitle = titles.pressure;
        settings.temperatureTitle = titles.temperature;
        settings.salinityTitle = titles.salinity;
    }
    // else the fallbacks stay, as for a file that cannot be read
}

std::optional<std::string> ServeDisplayRead(const std::string& kind, const std::vector<std::string>& args)
{
    std::size_t profile = 0;
    if (kind == "table" && args.size() == 2 && parse_size_arg(args[1], profile))
        return to_wire(ReadProfileTable(args[0], profile));
    if (kind == "axis-titles" && args.size() == 4) {
        GraphSettings settings;
        settings.pressureTitle = args[1];
        settings.temperatureTitle = args[2];
        settings.salinityTitle = args[3];
        ReadAxisTitles(args[0], settings);
        return to_wire(AxisTitles{settings.pressureTitle, settings.temperatureTitle, settings.salinityTitle});
    }
    return std::nullopt;
}
