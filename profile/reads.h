#pragma once
// The profile readers as entries of the reader table (reader/reader_table.h): what
// each takes and gives, in the wire's form, so that the window can run them in its
// helper process and the tests in their own.
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "core/wire.h"
#include "reader/file_reader.h"

#include "cdl/cdl_output.h"
#include "profile/csv_profiles.h"
#include "profile/csv_settings.h"
#include "profile/csv_variables.h"
#include "profile/csv_writer.h"
#include "profile/level_records.h"
#include "profile/parameter_series.h"
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
    ar(s.index, s.platform, s.cycle, s.direction, s.dataMode, s.modes, s.juld, s.date, s.latitude, s.longitude,
       s.scheme, s.levelsWithPressure);
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

template <class Ar>
void wire_fields(Ar& ar, CsvSaveSettings& s)
{
    ar(s.ncPath, s.items, s.columns, s.outputPath, s.profile, s.blankFill);
}
template <class Ar>
void wire_fields(Ar& ar, CsvResult& r)
{
    ar(r.status, r.message);
}

// The argument of the readers that take only a file.
struct PathArgs {
    std::string path;
};
template <class Ar>
void wire_fields(Ar& ar, PathArgs& a)
{
    ar(a.path);
}

// A file as it was shown (its extent) and the profiles chosen in it.
struct ShownProfilesArgs {
    std::string path;
    ProfileExtent expected;
    std::vector<std::size_t> profiles;
};
template <class Ar>
void wire_fields(Ar& ar, ShownProfilesArgs& a)
{
    ar(a.path, a.expected, a.profiles);
}

// A reader's ok/message result with the data it read beside it.
template <class Status, class Data>
struct ReadWithData {
    Status status;
    Data data;
};
template <class Ar, class Status, class Data>
void wire_fields(Ar& ar, ReadWithData<Status, Data>& r)
{
    ar(r.status, r.data);
}

// Whether the profile tools are offered for a file, and its extent.
struct ToolsInfoRead {
    static constexpr const char* kName = "tools-info";
    using Args = PathArgs;
    using Result = ProfileToolsInfo;
    static Result Run(const Args& a, const ReadContext&) { return ReadProfileToolsInfo(a.path); }
    static Result Failed(const Args&, const std::string& why) { return {false, {}, why}; }
};

template <class Ar>
void wire_fields(Ar& ar, ProfileRange& r)
{
    ar(r.first, r.count);
}

// The chooser's list of a file's profiles (or of some of them).
struct SummariesRead {
    static constexpr const char* kName = "summaries";
    struct Args {
        std::string path;
        ProfileRange range;
    };
    using Result = ProfileSummaryList;
    static Result Run(const Args& a, const ReadContext&) { return ReadProfileSummaries(a.path, a.range); }
    static Result Failed(const Args&, const std::string& why) { return FailedWithMessage<Result>(why); }
};
template <class Ar>
void wire_fields(Ar& ar, SummariesRead::Args& a)
{
    ar(a.path, a.range);
}

// The variables Save CSV File offers.
struct CsvVariablesRead {
    static constexpr const char* kName = "csv-variables";
    using Args = PathArgs;
    using Result = CsvVariableList;
    static Result Run(const Args& a, const ReadContext&) { return ReadCsvVariables(a.path); }
    static Result Failed(const Args&, const std::string& why) { return FailedWithMessage<Result>(why); }
};

// The levels of a file's first profile, as one array.
struct LevelArrayRead {
    static constexpr const char* kName = "level-array";
    using Args = PathArgs;
    using Result = ReadWithData<LevelLoadResult, CLevelArray>;
    static Result Run(const Args& a, const ReadContext&)
    {
        Result r;
        r.status = LoadLevelArray(a.path, r.data);
        return r;
    }
    static Result Failed(const Args&, const std::string& why) { return {{false, why}, {}}; }
};

// The levels of the chosen profiles of a shown file.
struct ProfileLevelsRead {
    static constexpr const char* kName = "levels";
    using Args = ShownProfilesArgs;
    using Result = ReadWithData<LevelLoadResult, std::vector<CLevelArray>>;
    static Result Run(const Args& a, const ReadContext&)
    {
        Result r;
        r.status = LoadProfileLevels(a.path, a.expected, a.profiles, r.data);
        return r;
    }
    static Result Failed(const Args&, const std::string& why) { return {{false, why}, {}}; }
};

// The QC flags and data modes of the chosen profiles of a shown file.
struct ProfileFlagsRead {
    static constexpr const char* kName = "flags";
    using Args = ShownProfilesArgs;
    using Result = ReadWithData<FlagLoadResult, std::vector<ProfileFlags>>;
    static Result Run(const Args& a, const ReadContext&)
    {
        Result r;
        r.status = LoadProfileFlags(a.path, a.expected, a.profiles, r.data);
        return r;
    }
    static Result Failed(const Args&, const std::string& why) { return {{false, why}, {}}; }
};

template <class Ar>
void wire_fields(Ar& ar, ParameterInfo& i)
{
    ar(i.name, i.present, i.longName, i.units);
}
template <class Ar>
void wire_fields(Ar& ar, ParameterSeries& s)
{
    ar(s.name, s.raw, s.adjusted, s.qc, s.adjustedQc, s.mode);
}
template <class Ar>
void wire_fields(Ar& ar, ParameterLoad& l)
{
    ar(l.ok, l.message, l.info, l.series, l.available);
}

// Named level parameters (DOXY, CHLA, ...) of the chosen profiles of a shown file.
struct ParameterSeriesRead {
    static constexpr const char* kName = "parameters";
    struct Args {
        std::string path;
        ProfileExtent expected;
        std::vector<std::size_t> profiles;
        std::vector<std::string> names;
    };
    using Result = ParameterLoad;
    static Result Run(const Args& a, const ReadContext&)
    {
        return LoadParameterSeries(a.path, a.expected, a.profiles, a.names);
    }
    static Result Failed(const Args&, const std::string& why)
    {
        Result r;
        r.ok = false;
        r.message = why;
        return r;
    }
};
template <class Ar>
void wire_fields(Ar& ar, ParameterSeriesRead::Args& a)
{
    ar(a.path, a.expected, a.profiles, a.names);
}

// Writes a CSV file of a profile file (the output path is in the settings), with
// progress and Cancel; a cancelled writing leaves the target as it was.
struct CsvWriteRead {
    static constexpr const char* kName = "csv-write";
    struct Args {
        std::string path; // the netCDF file: settings.ncPath
        CsvSaveSettings settings;
    };
    using Result = CsvResult;
    static Result Run(const Args& a, const ReadContext& context)
    {
        CsvSaveSettings settings = a.settings;
        settings.ncPath = a.path;
        return WriteCsvFile(settings, context.control);
    }
    static Result Failed(const Args&, const std::string& why)
    {
        Result r;
        r.status = why == kReadCancelled ? CsvResult::Status::Cancelled : CsvResult::Status::InputError;
        r.message = why == kReadCancelled ? std::string() : why;
        return r;
    }
};
template <class Ar>
void wire_fields(Ar& ar, CsvWriteRead::Args& a)
{
    ar(a.path, a.settings);
}

// The CSV text of a profile file (one profile, or every profile as one tidy table),
// streamed to the caller's text sink, which writes it where it goes.
struct CsvTextRead {
    static constexpr const char* kName = "csv-text";
    struct Args {
        std::string path; // the netCDF file
        CsvSaveSettings settings;
        bool allProfiles = false; // the tidy table of settings.columns over every profile
    };
    using Result = CsvResult;
    static Result Run(const Args& a, const ReadContext& context)
    {
        CsvSaveSettings settings = a.settings;
        settings.ncPath = a.path;
        std::string text;
        const CsvResult result = a.allProfiles ? BuildAllProfilesCsv(a.path, settings.columns, text, context.control)
                                               : BuildCsvText(settings, text, context.control);
        if (result.ok() && context.text)
            context.text->write(text);
        return result;
    }
    static Result Failed(const Args& a, const std::string& why) { return CsvWriteRead::Failed({a.path, {}}, why); }
};
template <class Ar>
void wire_fields(Ar& ar, CsvTextRead::Args& a)
{
    ar(a.path, a.settings, a.allProfiles);
}

// The readers above through `reader`, with the arguments and results of the functions
// they run.
inline ProfileToolsInfo ReadProfileToolsInfo(FileReader& reader, const std::string& path)
{
    return Read<ToolsInfoRead>(reader, {path});
}
inline ProfileSummaryList ReadProfileSummaries(FileReader& reader, const std::string& path, ProfileRange range = {})
{
    return Read<SummariesRead>(reader, {path, range});
}
inline CsvVariableList ReadCsvVariables(FileReader& reader, const std::string& path)
{
    return Read<CsvVariablesRead>(reader, {path});
}
inline LevelLoadResult LoadLevelArray(FileReader& reader, const std::string& path, CLevelArray& array)
{
    auto r = Read<LevelArrayRead>(reader, {path});
    array = std::move(r.data);
    return r.status;
}
inline LevelLoadResult LoadProfileLevels(FileReader& reader, const std::string& path, const ProfileExtent& expected,
                                         std::span<const std::size_t> profiles, std::vector<CLevelArray>& out)
{
    auto r = Read<ProfileLevelsRead>(reader, {path, expected, {profiles.begin(), profiles.end()}});
    out = std::move(r.data);
    return r.status;
}
inline FlagLoadResult LoadProfileFlags(FileReader& reader, const std::string& path, const ProfileExtent& expected,
                                       std::span<const std::size_t> profiles, std::vector<ProfileFlags>& out)
{
    auto r = Read<ProfileFlagsRead>(reader, {path, expected, {profiles.begin(), profiles.end()}});
    out = std::move(r.data);
    return r.status;
}
inline ParameterLoad LoadParameterSeries(FileReader& reader, const std::string& path, const ProfileExtent& expected,
                                         std::span<const std::size_t> profiles, std::span<const std::string> names)
{
    return Read<ParameterSeriesRead>(
        reader, {path, expected, {profiles.begin(), profiles.end()}, {names.begin(), names.end()}});
}
inline CsvResult WriteCsvFile(FileReader& reader, const CsvSaveSettings& settings, JobControl* control = nullptr)
{
    return Read<CsvWriteRead>(reader, {settings.ncPath, settings}, {control, nullptr});
}
