#pragma once
// The profile table and the axis titles as entries of the reader table
// (reader/reader_table.h).
#include <cstddef>
#include <string>

#include "core/wire.h"
#include "reader/file_reader.h"

#include "display/AxisTitles.h"
#include "display/GraphSettings.h"
#include "display/ProfileTable.h"

template <class Ar>
void wire_fields(Ar& ar, ProfileColumn& c)
{
    ar(c.name, c.width);
}
template <class Ar>
void wire_fields(Ar& ar, ProfileTable& t)
{
    ar(t.columns, t.rows, t.message);
}

// Profile View's table of one profile.
struct ProfileTableRead {
    static constexpr const char* kName = "table";
    struct Args {
        std::string path;
        std::size_t profile = 0;
    };
    using Result = ProfileTable;
    static Result Run(const Args& a, const ReadContext&) { return ReadProfileTable(a.path, a.profile); }
    static Result Failed(const Args&, const std::string& why) { return FailedWithMessage<Result>(why); }
};
template <class Ar>
void wire_fields(Ar& ar, ProfileTableRead::Args& a)
{
    ar(a.path, a.profile);
}

// The graph's three axis titles: the file's long_name and units, or the fallbacks
// given, which stay when the file cannot be read.
struct AxisTitlesRead {
    static constexpr const char* kName = "axis-titles";
    struct Titles {
        std::string pressure, temperature, salinity;
    };
    struct Args {
        std::string path;
        Titles fallback;
    };
    using Result = Titles;
    static Result Run(const Args& a, const ReadContext&)
    {
        GraphSettings settings;
        settings.pressureTitle = a.fallback.pressure;
        settings.temperatureTitle = a.fallback.temperature;
        settings.salinityTitle = a.fallback.salinity;
        ReadAxisTitles(a.path, settings);
        return {settings.pressureTitle, settings.temperatureTitle, settings.salinityTitle};
    }
    static Result Failed(const Args& a, const std::string&) { return a.fallback; }
};
template <class Ar>
void wire_fields(Ar& ar, AxisTitlesRead::Titles& t)
{
    ar(t.pressure, t.temperature, t.salinity);
}
template <class Ar>
void wire_fields(Ar& ar, AxisTitlesRead::Args& a)
{
    ar(a.path, a.fallback);
}

// Puts the file's axis titles into `settings` through `reader`.
inline void ReadAxisTitles(FileReader& reader, const std::string& path, GraphSettings& settings)
{
    const AxisTitlesRead::Titles titles = Read<AxisTitlesRead>(
        reader, {path, {settings.pressureTitle, settings.temperatureTitle, settings.salinityTitle}});
    settings.pressureTitle = titles.pressure;
    settings.temperatureTitle = titles.temperature;
    settings.salinityTitle = titles.salinity;
}

inline ProfileTable ReadProfileTable(FileReader& reader, const std::string& path, std::size_t profile)
{
    return Read<ProfileTableRead>(reader, {path, profile});
}
