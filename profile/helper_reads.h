#pragma once
// The profile readers run in the helper process (see core/helper_read.h): each reader
// that the window uses asks the helper when reads_in_helper(), and the helper answers
// by running the same reader in its own process.
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/wire.h"

#include "profile/csv_variables.h"
#include "profile/level_records.h"
#include "profile/profile_levels.h"
#include "profile/profile_qc.h"
#include "profile/profile_shape.h"
#include "profile/profile_summary.h"

// The fields of each result, in the order the wire carries them.
template <class Ar>
void wire_fields(Ar& ar, CLevelRecord& r)
{
    ar(r.no, r.pres, r.presAdj, r.temp, r.tempAdj, r.psal, r.psalAdj);
    if constexpr (Ar::kReading)
        r.ComputeSigmas(); // derived: recomputed exactly as from the file's values
}

template <class Ar>
void wire_fields(Ar& ar, CLevelArray& levels)
{
    std::vector<CLevelRecord> records;
    if constexpr (!Ar::kReading)
        for (int i = 0; i < levels.GetSize(); ++i)
            records.push_back(levels[i]);
    ar(records);
    if constexpr (Ar::kReading)
        for (const CLevelRecord& r : records)
            levels.Add(r);
}

template <class Ar>
void wire_fields(Ar& ar, LevelLoadResult& r)
{
    ar(r.ok, r.message);
}
template <class Ar>
void wire_fields(Ar& ar, FlagLoadResult& r)
{
    ar(r.ok, r.message);
}
template <class Ar>
void wire_fields(Ar& ar, ProfileFlags& f)
{
    ar(f.dataMode, f.parameterModes, f.pres, f.temp, f.psal, f.presAdj, f.tempAdj, f.psalAdj);
}
template <class Ar>
void wire_fields(Ar& ar, ParameterMode& m)
{
    ar(m.name, m.mode);
}
template <class Ar>
void wire_fields(Ar& ar, ProfileExtent& e)
{
    ar(e.profiles, e.levels);
}
template <class Ar>
void wire_fields(Ar& ar, ProfileToolsInfo& i)
{
    ar(i.offered, i.extent, i.reason);
}
template <class Ar>
void wire_fields(Ar& ar, ProfileSummary& s)
{
    ar(s.index, s.cycle, s.direction, s.dataMode, s.modes, s.juld, s.date, s.latitude, s.longitude, s.scheme,
       s.levelsWithPressure);
}
template <class Ar>
void wire_fields(Ar& ar, ProfileSummaryList& l)
{
    ar(l.ok, l.message, l.extent, l.profiles);
}
template <class Ar>
void wire_fields(Ar& ar, ProfileDimension& d)
{
    ar(d.id, d.length);
}
template <class Ar>
void wire_fields(Ar& ar, ProfileShape& s)
{
    ar(s.status, s.prof, s.levels);
}
template <class Ar>
void wire_fields(Ar& ar, CsvVariable& v)
{
    ar(v.id, v.name, v.type, v.levelColumn);
}
template <class Ar>
void wire_fields(Ar& ar, CsvVariableList& l)
{
    ar(l.ok, l.message, l.variables, l.shape);
}

ProfileToolsInfo ReadProfileToolsInfoInHelper(const std::string& path);
ProfileSummaryList ReadProfileSummariesInHelper(const std::string& path);
LevelLoadResult LoadLevelArrayInHelper(const std::string& path, CLevelArray& array);
LevelLoadResult LoadProfileLevelsInHelper(const std::string& path, const ProfileExtent& expected,
                                          std::span<const std::size_t> profiles, std::vector<CLevelArray>& out);
FlagLoadResult LoadProfileFlagsInHelper(const std::string& path, const ProfileExtent& expected,
                                        std::span<const std::size_t> profiles, std::vector<ProfileFlags>& out);
CsvVariableList ReadCsvVariablesInHelper(const std::string& path);

// The helper's side of these readers: the answer for `kind` and `args`, nullopt for
// another kind.
std::optional<std::string> ServeProfileRead(const std::string& kind, const std::vector<std::string>& args);
