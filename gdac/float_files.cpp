#include "gdac/float_files.h"

#include "core/JobControl.h"
#include "ftp/FtpListing.h"

bool FloatOfIndexFile(std::string_view file, std::string& dac, std::string& wmo)
{
    const auto first = file.find('/');
    if (first == std::string_view::npos)
        return false;
    const auto second = file.find('/', first + 1);
    const std::string_view d = file.substr(0, first);
    const std::string_view w =
        file.substr(first + 1, second == std::string_view::npos ? file.npos : second - first - 1);
    if (!IsSafeLocalFileName(d) || w.empty() || w.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    dac.assign(d);
    wmo.assign(w);
    return true;
}

GdacStatus ListFloatFiles(GdacClient& client, const std::string& dac, const std::string& wmo,
                          std::vector<FloatFile>& files, JobControl* job)
{
    files.clear();
    const std::string folder = "dac/" + dac + "/" + wmo;
    if (!IsSafeRelativePath(folder) || wmo.empty() || wmo.find_first_not_of("0123456789") != std::string::npos)
        return {GdacErrorKind::BadName, "no float folder for DAC \"" + dac + "\" and WMO \"" + wmo + "\""};
    std::vector<GdacEntry> entries;
    if (GdacStatus status = client.List(folder, entries, job); !status)
        return status;
    for (const char* suffix : {"_prof.nc", "_Sprof.nc"})
        for (const GdacEntry& e : entries)
            if (!e.isDirectory && e.name == wmo + suffix)
                files.push_back({folder + "/" + e.name, e.name, e.size, suffix[1] == 'S'});
    if (files.empty())
        return {GdacErrorKind::Server, folder + " holds no " + wmo + "_prof.nc or " + wmo + "_Sprof.nc"};
    return {};
}

GdacStatus FindFloatDac(GdacClient& client, const std::string& wmo, std::string& dac, JobControl* job)
{
    std::string cached;
    if (GdacStatus status = client.UpdateIndex(GdacIndexKind::Core, false, cached, job); !status)
        return status;
    IndexQuery query;
    query.wmos = {wmo};
    JobControl stop; // the first match is enough
    std::string found;
    int fileColumn = 0;
    const IndexSearchResult result = SearchIndexFile(
        cached, query,
        [&](std::string_view line) {
            const std::vector<std::string_view> fields = SplitIndexLine(line);
            std::string d, w;
            if (found.empty() && fileColumn < static_cast<int>(fields.size()) &&
                FloatOfIndexFile(fields[static_cast<std::size_t>(fileColumn)], d, w)) {
                found = d;
                stop.RequestCancel();
            }
        },
        &stop,
        [&](std::string_view line) {
            if (const auto columns = ParseColumnLine(line))
                fileColumn = columns->file;
        });
    if (!found.empty()) {
        dac = found;
        return {};
    }
    if (!result.ok && !result.cancelled)
        return {GdacErrorKind::BadData, result.error};
    return {GdacErrorKind::Server,
            "the index " + std::string(IndexFileName(GdacIndexKind::Core)) + " names no float " + wmo};
}
