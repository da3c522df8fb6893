#pragma once
// The float overview's readers as entries of the reader table (reader/reader_table.h).
#include <string>
#include <vector>

#include "core/wire.h"
#include "reader/file_reader.h"

#include "overview/density_section.h"
#include "overview/float_track.h"
#include "overview/section_data.h"

template <class Ar>
void wire_fields(Ar& ar, TrackPoint& p)
{
    ar(p.profile, p.longitude, p.latitude, p.juld, p.cycle);
}
template <class Ar>
void wire_fields(Ar& ar, FloatTrack& t)
{
    ar(t.ok, t.message, t.profiles, t.points, t.leftOut, t.outOfRange, t.trajectory, t.reference);
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

struct TrackArgs {
    std::string path;
};
template <class Ar>
void wire_fields(Ar& ar, TrackArgs& a)
{
    ar(a.path);
}

// The float's track: one point per profile with a good position and date.
struct TrackRead {
    static constexpr const char* kName = "track";
    using Args = TrackArgs;
    using Result = FloatTrack;
    static Result Run(const Args& a, const ReadContext&) { return ReadFloatTrack(a.path); }
    static Result Failed(const Args&, const std::string& why) { return FailedWithMessage<Result>(why); }
};

// The variables a section can show; none when the file cannot be read.
struct SectionVariablesRead {
    static constexpr const char* kName = "section-variables";
    using Args = TrackArgs;
    using Result = std::vector<std::string>;
    static Result Run(const Args& a, const ReadContext&) { return SectionVariables(a.path); }
    static Result Failed(const Args&, const std::string&) { return {}; }
};

// One variable's section over the float's profiles.
struct SectionRead {
    static constexpr const char* kName = "section";
    struct Args {
        std::string path;
        std::string variable;
        SectionOptions options;
    };
    using Result = SectionData;
    static Result Run(const Args& a, const ReadContext&) { return ReadSection(a.path, a.variable, a.options); }
    static Result Failed(const Args& a, const std::string& why)
    {
        Result r;
        r.variable = a.variable;
        r.message = why;
        return r;
    }
};
template <class Ar>
void wire_fields(Ar& ar, SectionOptions& o)
{
    ar(o.bestAvailable, o.goodOnly);
}
template <class Ar>
void wire_fields(Ar& ar, SectionRead::Args& a)
{
    ar(a.path, a.variable, a.options);
}

// The readers above through `reader`, with the arguments and results of the functions
// they run.
inline FloatTrack ReadFloatTrack(FileReader& reader, const std::string& path)
{
    return Read<TrackRead>(reader, {path});
}
inline std::vector<std::string> SectionVariables(FileReader& reader, const std::string& path)
{
    return Read<SectionVariablesRead>(reader, {path});
}
inline SectionData ReadSection(FileReader& reader, const std::string& path, const std::string& variable,
                               const SectionOptions& options)
{
    return Read<SectionRead>(reader, {path, variable, options});
}

// A section of `variable` through `reader`, density sections included (two readings).
inline SectionData ReadSectionOf(FileReader& reader, const std::string& path, const std::string& variable,
                                 const SectionOptions& options)
{
    return ReadSectionOf([&](const std::string& v) { return ReadSection(reader, path, v, options); }, variable);
}
