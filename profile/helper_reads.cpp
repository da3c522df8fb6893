#include "profile/helper_reads.h"

#include "core/helper_read.h"

namespace {

template <class Result, class Data>
struct Answer {
    Result result;
    Data data;
};
template <class Ar, class Result, class Data>
void wire_fields(Ar& ar, Answer<Result, Data>& a)
{
    ar(a.result, a.data);
}

std::vector<std::string> ShownArgs(const std::string& path, const ProfileExtent& expected,
                                   std::span<const std::size_t> profiles)
{
    return {path, std::to_string(expected.profiles), std::to_string(expected.levels),
            size_list_arg(std::vector<std::size_t>(profiles.begin(), profiles.end()))};
}

bool ParseShownArgs(const std::vector<std::string>& args, ProfileExtent& expected, std::vector<std::size_t>& profiles)
{
    return args.size() == 4 && parse_size_arg(args[1], expected.profiles) && parse_size_arg(args[2], expected.levels) &&
           parse_size_list_arg(args[3], profiles);
}

// A reader of one path whose result carries its own failure: the helper's failure
// goes where the reader's would.
template <class T, class Fail>
T ReadOne(const char* kind, const std::string& path, Fail fail)
{
    T result;
    std::string failure;
    if (!read_in_helper_as(kind, {path}, path, result, failure)) {
        result = T();
        fail(result, failure);
    }
    return result;
}

} // namespace

ProfileToolsInfo ReadProfileToolsInfoInHelper(const std::string& path)
{
    return ReadOne<ProfileToolsInfo>("tools-info", path,
                                     [](ProfileToolsInfo& r, const std::string& why) { r.reason = why; });
}

ProfileSummaryList ReadProfileSummariesInHelper(const std::string& path)
{
    return ReadOne<ProfileSummaryList>("summaries", path,
                                       [](ProfileSummaryList& r, const std::string& why) { r.message = why; });
}

CsvVariableList ReadCsvVariablesInHelper(const std::string& path)
{
    return ReadOne<CsvVariableList>("csv-variables", path,
                                    [](CsvVariableList& r, const std::string& why) { r.message = why; });
}

namespace {

// A reader with an ok/message result and its data in `out`: the helper's failure
// becomes a result that is not ok, and `out` stays empty.
template <class Result, class Data>
Result ReadWithData(const char* kind, const std::vector<std::string>& args, const std::string& path, Data& out)
{
    out = Data();
    Answer<Result, Data> answer;
    std::string failure;
    if (!read_in_helper_as(kind, args, path, answer, failure))
        return {false, failure};
    out = std::move(answer.data);
    return answer.result;
}

} // namespace

LevelLoadResult LoadLevelArrayInHelper(const std::string& path, CLevelArray& array)
{
    return ReadWithData<LevelLoadResult>("level-array", {path}, path, array);
}

LevelLoadResult LoadProfileLevelsInHelper(const std::string& path, const ProfileExtent& expected,
                                          std::span<const std::size_t> profiles, std::vector<CLevelArray>& out)
{
    return ReadWithData<LevelLoadResult>("levels", ShownArgs(path, expected, profiles), path, out);
}

FlagLoadResult LoadProfileFlagsInHelper(const std::string& path, const ProfileExtent& expected,
                                        std::span<const std::size_t> profiles, std::vector<ProfileFlags>& out)
{
    return ReadWithData<FlagLoadResult>("flags", ShownArgs(path, expected, profiles), path, out);
}

std::optional<std::string> ServeProfileRead(const std::string& kind, const std::vector<std::string>& args)
{
    if (args.empty())
        return std::nullopt;
    const std::string& path = args[0];
    if (args.size() == 1) {
        if (kind == "tools-info")
            return to_wire(ReadProfileToolsInfo(path));
        if (kind == "summaries")
            return to_wire(ReadProfileSummaries(path));
        if (kind == "csv-variables")
            return to_wire(ReadCsvVariables(path));
        if (kind == "level-array") {
            Answer<LevelLoadResult, CLevelArray> answer;
            answer.result = LoadLevelArray(path, answer.data);
            return to_wire(answer);
        }
    }
    ProfileExtent expected;
    std::vector<std::size_t> profiles;
    if (kind == "levels" && ParseShownArgs(args, expected, profiles)) {
        Answer<LevelLoadResult, std::vector<CLevelArray>> answer;
        answer.result = LoadProfileLevels(path, expected, profiles, answer.data);
        return to_wire(answer);
    }
    if (kind == "flags" && ParseShownArgs(args, expected, profiles)) {
        Answer<FlagLoadResult, std::vector<ProfileFlags>> answer;
        answer.result = LoadProfileFlags(path, expected, profiles, answer.data);
        return to_wire(answer);
    }
    return std::nullopt;
}
