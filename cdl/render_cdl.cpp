#include "cdl/render_cdl.h"

#include <new>
#include <stdexcept>

#include <netcdf.h>

#include "cdl/cdl_names.h"
#include "cdl/cdl_output.h"
#include "cdl/checked_open.h"
#include "cdl/render_group.h"
#include "cdl/scoped_names.h"

namespace {

// The title name: the text after the last '/', cut at its last '.'. Backslashes are
// not separators, so a Windows path keeps its drive and folders.
std::string cdl_name_of_path(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.resize(dot);
    return name;
}

void render(CdlWriter& w, const std::string& path, CdlOutcome& outcome, bool header_only)
{
    // A classic file's header is checked before the library reads it: some malformed
    // headers crash or hang the library. The same reading tells a truncated file,
    // whose header is still shown.
    CheckedOpen opened = open_netcdf_checked(path, true);
    if (opened.status != NC_NOERR) {
        cdl_error(w, "%s: %s", path.c_str(), opened.message.c_str());
        return;
    }
    const int ncid = opened.ncid;
    int format = 0;
    if (nc_inq_format(ncid, &format) == NC_NOERR) {
        w.netcdf4 = format == NC_FORMAT_NETCDF4;
        w.netcdf4_classic = format == NC_FORMAT_NETCDF4_CLASSIC;
        w.cdf5 = format == NC_FORMAT_CDF5;
    }

    // The title comes from the file's path, not its contents. It is written as ever
    // for CDF-1 and CDF-2 files, and escaped like any name in netCDF-4 and CDF-5 files,
    // whose text follows ncdump's.
    std::string title = cdl_name_of_path(path);
    if (w.follows_ncdump())
        title = cdl_name(title);
    cdl_printf(w, "netcdf %s {\n", title.c_str());

    const ScopedNames names(ncid);
    w.scoped_names = &names;
    GroupRenderState state;
    state.readable_variables = opened.readable_variables;
    state.list_data = !header_only;
    if (opened.streaming) {
        // The library would report 4294967295 records, reading zeros past the end.
        state.root_records = opened.streaming_records;
        cdl_note(w,
                 "%s: the header gives the number of records as \"streaming\" (0xFFFFFFFF); the %llu whole records "
                 "the file holds are shown",
                 path.c_str(), static_cast<unsigned long long>(opened.streaming_records));
    }
    render_group(w, ncid, 0, state);
    outcome.dimension_names = std::move(state.dimension_names);
    outcome.variable_names = std::move(state.variable_names);
    outcome.dimensions = std::move(state.dimensions);
    outcome.variables = std::move(state.variables);
    outcome.global_attribute_names = std::move(state.global_attribute_names);

    if (opened.truncated) {
        // The library would return zeros for the missing bytes: only the variables
        // wholly in the file were listed. The text is whole but for them: a note (the
        // window shows the text and says the file is cut; --dump exits 1 with it).
        outcome.truncated = true;
        cdl_note(w, "%s: %s", path.c_str(), opened.truncation_message().c_str());
    }

    w.put("}\n");
    w.scoped_names = nullptr;
    int status = nc_close(ncid);
    if (status != NC_NOERR)
        cdl_error_nc(w, status);
}

// "Out of memory!" with where it happened.
void log_out_of_memory(CdlWriter& w)
{
    if (w.variable.empty())
        cdl_error(w, "Out of memory! %s could not be rendered", w.path.c_str());
    else
        cdl_error(w, "Out of memory! %s: variable %s could not be listed", w.path.c_str(), w.variable.c_str());
}

} // namespace

CdlOutcome render_cdl(const std::string& path, CdlSink& sink, JobControl* control, const CdlOptions& options)
{
    CdlOutcome outcome;
    CdlWriter w(sink, control);
    w.line_limit = 80 - 2;
    w.path = path;
    w.variable_text_limit = options.variable_text_limit;
    try {
        render(w, path, outcome, options.header_only);
        w.flush();
    } catch (const std::bad_alloc&) {
        log_out_of_memory(w);
    } catch (const std::length_error&) {
        log_out_of_memory(w);
    }
    outcome.cancelled = w.cancelled();
    outcome.log = std::move(w.error_log);
    outcome.notes = std::move(w.note_log);
    return outcome;
}

std::string render_cdl_text(const std::string& path, CdlOutcome* outcome)
{
    StringSink sink;
    CdlOutcome result;
    try {
        result = render_cdl(path, sink);
    } catch (const std::bad_alloc&) {
        result.log += "Out of memory!\n";
    }
    if (result.log.find("Out of memory!") != std::string::npos)
        std::string().swap(sink.text);
    if (outcome)
        *outcome = std::move(result);
    return std::move(sink.text);
}
