#pragma once
// The float overview's readers run in the helper process (see core/helper_read.h)
// when reads_in_helper().
#include <optional>
#include <string>
#include <vector>

#include "core/wire.h"

#include "overview/float_track.h"
#include "overview/section_data.h"

// The fields of each result, in the order the wire carries them.
template <class Ar>
void wire_fields(Ar& ar, TrackPoint& p)
{
    ar(p.profile, p.longitude, p.latitude, p.juld, p.cycle);
}
template <class Ar>
void wire_fields(Ar& ar, FloatTrack& t)
{
    ar(t.ok, t.message, t.profiles, t.points, t.leftOut, t.trajectory, t.reference);
}
template <class Ar>
void wire_fields(Ar& ar, SectionColumn& c)
{
    ar(c.profile, c.time, c.left, c.right, c.pres, c.value);
}
template <class Ar>
void wire_fields(Ar& ar, SectionData& s)
{
    ar(s.ok, s.message, s.variable, s.title, s.columns, s.skipped, s.timeMin, s.timeMax, s.presMax, s.valueLow,
       s.valueHigh, s.reference);
}

FloatTrack ReadFloatTrackInHelper(const std::string& path);
std::vector<std::string> SectionVariablesInHelper(const std::string& path);
SectionData ReadSectionInHelper(const std::string& path, const std::string& variable, const SectionOptions& options);

// The helper's side: the answer for `kind` and `args`, nullopt for another kind.
std::optional<std::string> ServeOverviewRead(const std::string& kind, const std::vector<std::string>& args);
