#include "profile/csv_command.h"

#include <algorithm>
#include <optional>
#include <set>

#include "cdl/cdl_output.h"
#include "core/replace_file.h"
#include "core/stdout_sink.h"
#include "profile/csv_profiles.h"
#include "profile/parameter_series.h"
#include "profile/reads.h"
#include "profile/csv_variables.h"
#include "profile/csv_writer.h"
#include "profile/profile_choice.h"

namespace {

int UsageError(std::FILE* err, const std::string& message)
{
    std::fprintf(err, "brinewick: %s\n", message.c_str());
    return 2;
}

std::string JoinNames(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& n : names)
        text += (text.empty() ? "" : ", ") + n;
    return text;
}

} // namespace

int run_csv_command(const CsvRequest& request, std::FILE* out, std::FILE* err, FileReader& reader)
{
    const std::optional<std::string> file = request.file;
    const std::optional<std::string>& output = request.output;
    const std::optional<std::string>& profile = request.profile;
    const bool allProfiles = profile && *profile == "all";

    if (output)
        if (const std::string clash = OutputClash(*output, {*file}); !clash.empty()) {
            std::fprintf(err, "brinewick: %s\n", clash.c_str());
            return 2;
        }

    const CsvVariableList list = ReadCsvVariables(reader, *file);
    if (!list.ok) {
        std::fprintf(err, "brinewick: %s\n", list.message.c_str());
        return 1;
    }
    if (!list.shape.OffersProfileTools()) {
        std::fprintf(err, "brinewick: %s: %s (N_PROF >= 1, N_LEVELS > 1)\n", file->c_str(),
                     ProfileToolsReason(list.shape).c_str());
        return 1;
    }
    std::size_t profileIndex = 0;
    if (profile && !allProfiles) {
        const ProfileArgument chosen = ParseProfileArgument(*profile, list.shape.prof.length);
        if (!chosen.ok)
            return UsageError(err, *file + ": " + chosen.message);
        profileIndex = chosen.index;
    }

    // Chosen variables are taken in variable-id order, as the dialog's lists give them.
    std::vector<std::string> unknown, notColumns;
    std::set<int> itemIds, columnIds;
    for (const std::string& name : request.items) {
        if (const CsvVariable* v = list.FindByName(name))
            itemIds.insert(v->id);
        else
            unknown.push_back(name);
    }
    for (const std::string& name : request.columns) {
        const CsvVariable* v = list.FindByName(name);
        if (!v)
            unknown.push_back(name);
        else if (!v->levelColumn)
            notColumns.push_back(name);
        else
            columnIds.insert(v->id);
    }
    if (!unknown.empty() || !notColumns.empty()) {
        std::string message;
        if (!unknown.empty())
            message = "no variable named " + JoinNames(unknown) + " in " + *file;
        if (!notColumns.empty())
            message += (message.empty() ? "" : "; ") +
                       ("not a level column (last dimension is not N_LEVELS): " + JoinNames(notColumns));
        return UsageError(err, message);
    }

    CsvSaveSettings settings;
    settings.ncPath = *file;
    settings.profile = profileIndex;
    settings.items.assign(itemIds.begin(), itemIds.end());
    settings.columns.assign(columnIds.begin(), columnIds.end());
    settings.blankFill = request.blankFill;
    if (!allProfiles && list.shape.prof.length > 1)
        std::fprintf(err, "%s\n", DescribeChosenProfile(reader, *file, profileIndex).c_str());

    // The text is made by the reader (in the command line's helper process) and
    // written here, so that nothing is written when the reading fails.
    StringSink text;
    const CsvResult result = Read<CsvTextRead>(reader, {*file, settings, allProfiles}, {nullptr, &text});
    if (!result.ok()) {
        std::fprintf(err, "brinewick: %s\n", result.message.c_str());
        return 1;
    }
    if (output) {
        std::string error;
        if (!WriteFileReplacing(*output, text.text, &error)) {
            std::fprintf(err, "brinewick: File can not open. (%s)\n", error.c_str());
            return 1;
        }
        return 0;
    }
    return WriteStdout(out, err, text.text, "cannot write the CSV to standard output");
}
