#include "profile/parameter_modes.h"

#include <algorithm>
#include <map>

#include <netcdf.h>

#include "profile/per_profile_values.h"

namespace {

std::string Trimmed(std::string_view s)
{
    const auto nul = s.find('\0');
    if (nul != std::string_view::npos)
        s = s.substr(0, nul);
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(' ');
    return std::string(s.substr(first, last - first + 1));
}

char CleanMode(char c)
{
    return c == '\0' ? ' ' : c;
}

} // namespace

std::optional<std::vector<std::vector<ParameterMode>>> ReadParameterModes(int ncid, const ProfileShape& shape,
                                                                          ProfileRange range)
{
    const PerProfileVariable modes = FindPerProfileVariable(ncid, shape, "PARAMETER_DATA_MODE");
    const PerProfileVariable names = FindPerProfileVariable(ncid, shape, "STATION_PARAMETERS");
    if (!modes.PerProfile(shape) || !names.PerProfile(shape) || modes.type != NC_CHAR || names.type != NC_CHAR ||
        modes.dimids.size() != 2 || names.dimids.size() != 3 || modes.dimids[1] != names.dimids[1])
        return std::nullopt;
    const std::size_t first = range.Start(shape.prof.length), nprof = range.Size(shape.prof.length);
    const std::size_t nparam = modes.dimLengths[1], width = names.dimLengths[2];
    // N_PARAM and the name length of real files are small; refuse absurd sizes.
    if (nparam > 10'000 || width > 1'024 || nprof > (std::size_t{1} << 28) / std::max<std::size_t>(1, nparam * width))
        return std::nullopt;
    std::string modeText(nprof * nparam, ' '), nameText(nprof * nparam * width, ' ');
    const std::size_t modeStart[2] = {first, 0}, modeCount[2] = {nprof, nparam};
    const std::size_t nameStart[3] = {first, 0, 0}, nameCount[3] = {nprof, nparam, width};
    if (!modeText.empty() && (nc_get_vara_text(ncid, modes.varid, modeStart, modeCount, modeText.data()) != NC_NOERR ||
                              nc_get_vara_text(ncid, names.varid, nameStart, nameCount, nameText.data()) != NC_NOERR))
        return std::nullopt;
    std::vector<std::vector<ParameterMode>> out(nprof);
    for (std::size_t p = 0; p < nprof; ++p)
        for (std::size_t k = 0; k < nparam; ++k) {
            std::string name = Trimmed(std::string_view(nameText).substr((p * nparam + k) * width, width));
            if (!name.empty())
                out[p].push_back(ParameterMode{std::move(name), CleanMode(modeText[p * nparam + k])});
        }
    return out;
}

std::vector<std::string> ReadStationParameterNames(int ncid, const ProfileShape& shape)
{
    const PerProfileVariable names = FindPerProfileVariable(ncid, shape, "STATION_PARAMETERS");
    if (!names.PerProfile(shape) || names.type != NC_CHAR || names.dimids.size() != 3)
        return {};
    const std::size_t nprof = shape.prof.length, nparam = names.dimLengths[1], width = names.dimLengths[2];
    if (nparam > 10'000 || width > 1'024 || nprof > (std::size_t{1} << 28) / std::max<std::size_t>(1, nparam * width))
        return {};
    std::string text(nprof * nparam * width, ' ');
    if (!text.empty() && nc_get_var_text(ncid, names.varid, text.data()) != NC_NOERR)
        return {};
    std::vector<std::string> out;
    for (std::size_t at = 0; at + width <= text.size() && width > 0; at += width) {
        std::string name = Trimmed(std::string_view(text).substr(at, width));
        if (!name.empty() && std::find(out.begin(), out.end(), name) == out.end())
            out.push_back(std::move(name));
    }
    return out;
}

char ModeOfParameter(const std::vector<ParameterMode>& modes, std::string_view name, char dataMode)
{
    const auto it = std::find_if(modes.begin(), modes.end(), [name](const ParameterMode& m) { return m.name == name; });
    return it != modes.end() ? it->mode : dataMode;
}

std::string ModesText(const std::vector<ParameterMode>& modes, char dataMode)
{
    if (modes.empty())
        return dataMode == ' ' || dataMode == '\0' ? std::string() : std::string(1, dataMode);
    if (modes.size() == 1)
        return modes[0].name + ' ' + modes[0].mode;
    std::map<char, std::size_t> counts;
    for (const ParameterMode& m : modes)
        ++counts[m.mode];
    char common = modes[0].mode;
    for (const auto& [mode, count] : counts)
        if (count > counts[common])
            common = mode;
    std::string text(1, common);
    std::string others;
    for (const ParameterMode& m : modes)
        if (m.mode != common)
            others += (others.empty() ? "" : ", ") + m.name + ' ' + m.mode;
    if (!others.empty())
        text += " (" + others + ")";
    return text;
}
