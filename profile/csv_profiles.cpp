#include "profile/csv_profiles.h"

#include <limits>
#include <new>
#include <optional>
#include <string_view>

#include <netcdf.h>

#include "cdl/c_format.h"
#include "cdl/checked_open.h"
#include "core/JobControl.h"
#include "core/replace_file.h"
#include "profile/argo_time.h"
#include "profile/csv_fields.h"
#include "profile/parameter_modes.h"
#include "profile/per_profile_values.h"
#include "profile/profile_shape.h"

namespace {

constexpr char kNoMode = ' ';
constexpr std::size_t kMaxValues = (std::size_t{256} << 20) / sizeof(double);
constexpr std::size_t kMaxCsvBytes = std::size_t{1} << 31;
const char kLineEnd[] = "\r\n";

bool IsInteger(nc_type t)
{
    return t == NC_BYTE || t == NC_SHORT || t == NC_INT || t == NC_UBYTE || t == NC_USHORT || t == NC_UINT ||
           t == NC_INT64 || t == NC_UINT64;
}

// One variable read whole, with its fill value and the stride between profiles.
struct Column {
    std::string name;
    nc_type type = NC_NAT;
    bool present = false;
    std::size_t count = 0;
    std::size_t stride = 0; // values per profile when the first dimension is N_PROF, else 0
    std::string text;       // NC_CHAR
    std::vector<long long> ints;
    std::vector<double> reals;
    std::optional<CFormat> format;
    char fillChar = '\0';
    long long fillInt = 0;
    double fillReal = 0.0;

    // Value `j` of profile `p`: at p * stride + j, or j when the variable does not
    // run along N_PROF. None outside the variable.
    std::optional<std::size_t> Index(std::size_t p, std::size_t j) const
    {
        const std::size_t i = stride ? p * stride + j : j;
        if (!present || (stride && j >= stride) || i >= count)
            return std::nullopt;
        return i;
    }
    bool IsFill(std::size_t i) const
    {
        if (type == NC_CHAR)
            return text[i] == fillChar;
        if (IsInteger(type))
            return ints[i] == fillInt;
        return reals[i] == fillReal || reals[i] != reals[i];
    }
    void Append(std::string& out, std::size_t i) const
    {
        const std::size_t start = out.size();
        if (type == NC_CHAR) {
            if (text[i] != '\0')
                AppendCsvField(out, std::string_view(&text[i], 1));
            return;
        }
        if (IsInteger(type)) {
            static const CFormat f = *CFormat::parse("%lld", ValueKind::Integer);
            f.append(out, ints[i]);
        } else {
            format->append(out, reals[i]);
        }
        if (out.find_first_of(",\"\r\n", start) != std::string::npos) {
            const std::string field = out.substr(start);
            out.resize(start);
            AppendCsvField(out, field);
        }
    }
};

// Reads variable `varid`; a variable of a type without values, or one too large,
// stays not present. Returns a netCDF status for a read that failed.
int ReadColumn(int ncid, int varid, const ProfileShape& shape, Column& c)
{
    char name[NC_MAX_NAME + 1] = {};
    int ndims = 0;
    int status = nc_inq_var(ncid, varid, name, &c.type, &ndims, nullptr, nullptr);
    if (status != NC_NOERR)
        return status;
    c.name = name;
    if (ndims < 0 || ndims > NC_MAX_VAR_DIMS)
        return NC_EINVAL;
    int dimids[NC_MAX_VAR_DIMS];
    if (ndims > 0 && (status = nc_inq_vardimid(ncid, varid, dimids)) != NC_NOERR)
        return status;
    std::size_t count = 1, rest = 1;
    for (int d = 0; d < ndims; ++d) {
        std::size_t len = 0;
        if ((status = nc_inq_dimlen(ncid, dimids[d], &len)) != NC_NOERR)
            return status;
        if (len != 0 && count > kMaxValues / len)
            return NC_ENOMEM;
        count *= len;
        if (d > 0)
            rest *= len;
    }
    c.count = count;
    // Along N_PROF: `rest` values per profile (one for a variable shaped (N_PROF)).
    c.stride = ndims >= 1 && dimids[0] == shape.prof.id ? rest : 0;
    if (count == 0)
        return NC_NOERR;

    nc_type attType = NC_NAT;
    std::size_t attLen = 0;
    const bool hasFill =
        nc_inq_att(ncid, varid, "_FillValue", &attType, &attLen) == NC_NOERR && attLen == 1 && attType == c.type;
    if (c.type == NC_CHAR) {
        c.text.resize(count);
        if ((status = nc_get_var_text(ncid, varid, c.text.data())) != NC_NOERR)
            return status;
        c.fillChar = NC_FILL_CHAR;
        if (hasFill)
            nc_get_att_text(ncid, varid, "_FillValue", &c.fillChar);
    } else if (IsInteger(c.type)) {
        c.ints.resize(count);
        if ((status = nc_get_var_longlong(ncid, varid, c.ints.data())) != NC_NOERR)
            return status;
        switch (c.type) {
        case NC_BYTE: c.fillInt = NC_FILL_BYTE; break;
        case NC_SHORT: c.fillInt = NC_FILL_SHORT; break;
        case NC_INT: c.fillInt = NC_FILL_INT; break;
        case NC_UBYTE: c.fillInt = NC_FILL_UBYTE; break;
        case NC_USHORT: c.fillInt = NC_FILL_USHORT; break;
        case NC_UINT: c.fillInt = NC_FILL_UINT; break;
        case NC_INT64: c.fillInt = NC_FILL_INT64; break;
        default: c.fillInt = static_cast<long long>(NC_FILL_UINT64); break;
        }
        if (hasFill)
            nc_get_att_longlong(ncid, varid, "_FillValue", &c.fillInt);
    } else if (c.type == NC_FLOAT || c.type == NC_DOUBLE) {
        c.reals.resize(count);
        if ((status = nc_get_var_double(ncid, varid, c.reals.data())) != NC_NOERR)
            return status;
        c.fillReal = c.type == NC_FLOAT ? static_cast<double>(NC_FILL_FLOAT) : NC_FILL_DOUBLE;
        if (hasFill)
            nc_get_att_double(ncid, varid, "_FillValue", &c.fillReal);
        c.format = CsvFloatingFormat(ncid, varid, c.type);
    } else {
        return NC_NOERR; // strings and user types have no cell text
    }
    c.present = true;
    return NC_NOERR;
}

// A per-profile variable by name: present only when shaped (N_PROF).
int ReadProfileColumn(int ncid, const ProfileShape& shape, const char* name, Column& c)
{
    int varid = -1, ndims = 0, dimid = -1;
    if (nc_inq_varid(ncid, name, &varid) != NC_NOERR || nc_inq_varndims(ncid, varid, &ndims) != NC_NOERR ||
        ndims != 1 || nc_inq_vardimid(ncid, varid, &dimid) != NC_NOERR || dimid != shape.prof.id)
        return NC_NOERR;
    return ReadColumn(ncid, varid, shape, c);
}

CsvResult Failure(CsvResult::Status status, std::string message)
{
    CsvResult r;
    r.status = status;
    r.message = std::move(message);
    return r;
}

CsvResult Build(int ncid, const std::string& path, const std::vector<int>& columnIds, std::string& out, JobControl* job)
{
    const ProfileShape shape = ReadProfileShape(ncid);
    if (!shape.ok())
        return Failure(CsvResult::Status::InputError, path + ": " + nc_strerror(shape.status));
    if (!shape.OffersProfileTools())
        return Failure(CsvResult::Status::InputError, path + ": " + ProfileToolsReason(shape));
    int nvars = 0;
    int status = nc_inq_nvars(ncid, &nvars);
    if (status != NC_NOERR)
        return Failure(CsvResult::Status::InputError, path + ": " + nc_strerror(status));

    const char* kProfileNames[5] = {"CYCLE_NUMBER", "DIRECTION", "DATA_MODE", "LATITUDE", "LONGITUDE"};
    Column perProfile[5];
    for (int k = 0; k < 5; ++k)
        if ((status = ReadProfileColumn(ncid, shape, kProfileNames[k], perProfile[k])) != NC_NOERR)
            return Failure(CsvResult::Status::InputError, path + " (" + kProfileNames[k] + "): " + nc_strerror(status));
    // A synthetic or BGC file gives each parameter its own mode: DATA_MODE shows them.
    const auto parameterModes = ReadParameterModes(ncid, shape);
    Column juld;
    if ((status = ReadProfileColumn(ncid, shape, "JULD", juld)) != NC_NOERR)
        return Failure(CsvResult::Status::InputError, path + " (JULD): " + nc_strerror(status));
    const std::int64_t reference = ReadReferenceDateTime(ncid);

    std::vector<Column> columns(columnIds.size());
    for (std::size_t c = 0; c < columnIds.size(); ++c) {
        if (columnIds[c] < 0 || columnIds[c] >= nvars)
            return Failure(CsvResult::Status::InputError, path + ": " + nc_strerror(NC_ENOTVAR));
        if ((status = ReadColumn(ncid, columnIds[c], shape, columns[c])) != NC_NOERR)
            return Failure(CsvResult::Status::InputError,
                           status == NC_ENOMEM ? path + ": variable " + columns[c].name + " is too large to export."
                                               : path + " (" + columns[c].name + "): " + nc_strerror(status));
    }

    out += "N_PROF,CYCLE_NUMBER,DIRECTION,DATA_MODE,JULD,LATITUDE,LONGITUDE";
    for (const Column& c : columns) {
        out += ',';
        AppendCsvField(out, c.name);
    }
    out += kLineEnd;

    const std::size_t profiles = shape.prof.length, levels = shape.levels.length;
    if (job) {
        job->SetDone(0);
        job->SetTotal(profiles);
    }
    static const CFormat indexFormat = *CFormat::parse("%lld", ValueKind::Integer);
    std::string prefix;
    for (std::size_t p = 0; p < profiles; ++p) {
        if (job && job->Cancelled())
            return Failure(CsvResult::Status::Cancelled, "cancelled");
        prefix.clear();
        indexFormat.append(prefix, static_cast<long long>(p));
        for (int k = 0; k < 5; ++k) {
            prefix += ',';
            if (k == 3) { // JULD before LATITUDE
                if (const auto i = juld.Index(p, 0); i && !juld.IsFill(*i) && !juld.reals.empty())
                    if (const auto s = JuldToSeconds(juld.reals[*i], reference))
                        prefix += FormatUtcIso(*s);
                prefix += ',';
            }
            if (k == 2 && parameterModes)
                AppendCsvField(prefix, ModesText((*parameterModes)[p], kNoMode));
            else if (const auto i = perProfile[k].Index(p, 0); i && !perProfile[k].IsFill(*i))
                perProfile[k].Append(prefix, *i);
        }
        for (std::size_t j = 0; j < levels; ++j) {
            bool allFill = true;
            for (const Column& c : columns) {
                const auto i = c.Index(p, j);
                if (!i || !c.IsFill(*i)) {
                    allFill = false;
                    break;
                }
            }
            if (allFill && !columns.empty())
                continue;
            out += prefix;
            for (const Column& c : columns) {
                out += ',';
                if (const auto i = c.Index(p, j); i && !c.IsFill(*i))
                    c.Append(out, *i); // a fill value is an empty cell
            }
            out += kLineEnd;
        }
        if (out.size() > kMaxCsvBytes)
            return Failure(CsvResult::Status::InputError, path + ": the chosen data are too large to export.");
        if (job)
            job->AddDone(1);
    }
    return {};
}

} // namespace

CsvResult BuildAllProfilesCsv(const std::string& ncPath, const std::vector<int>& columns, std::string& out,
                              JobControl* job)
{
    int ncid = -1;
    std::string reason;
    if (open_netcdf_checked(ncPath, &ncid, &reason) != NC_NOERR)
        return Failure(CsvResult::Status::InputError, ncPath + ": " + reason);
    CsvResult result;
    try {
        result = Build(ncid, ncPath, columns, out, job);
    } catch (const std::bad_alloc&) {
        result = Failure(CsvResult::Status::InputError, ncPath + ": the chosen data are too large to export.");
    }
    nc_close(ncid);
    return result;
}

CsvResult WriteAllProfilesCsv(const std::string& ncPath, const std::vector<int>& columns, const std::string& outputPath,
                              JobControl* job)
{
    if (outputPath.empty() || outputPath.size() > kMaxCsvPathBytes)
        return Failure(CsvResult::Status::OutputError,
                       outputPath.empty() ? "No CSV file name given." : "The CSV file name is too long.");
    if (std::string clash = OutputClash(outputPath, {ncPath}); !clash.empty())
        return Failure(CsvResult::Status::OutputError, std::move(clash));
    std::string text;
    CsvResult result = BuildAllProfilesCsv(ncPath, columns, text, job);
    if (!result.ok())
        return result;
    std::string error;
    if (!WriteFileReplacing(outputPath, text, &error, job))
        return Failure(job && job->Cancelled() ? CsvResult::Status::Cancelled : CsvResult::Status::OutputError, error);
    return result;
}
