#include "profile/csv_writer.h"

#include "profile/csv_fields.h"

#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <string_view>
#include <vector>

#include <netcdf.h>

#include "cdl/c_format.h"
#include "core/JobControl.h"
#include "cdl/checked_open.h"
#include "core/replace_file.h"
#include "profile/profile_shape.h"
#include "profile/profile_slice.h"

namespace {

// Limits that only a damaged or hostile file reaches: one variable's values held in
// memory, and the CSV text as a whole.
constexpr std::size_t kMaxVariableBytes = std::size_t{256} << 20;
constexpr std::size_t kMaxCsvBytes = std::size_t{512} << 20;

// The longest C_format text used; a longer one falls back to the default format.

const char kLineEnd[] = "\r\n";

bool IsWideInteger(nc_type type)
{
    return type >= NC_UBYTE && type <= NC_UINT64;
}

// One variable read whole, with what is needed to print its values.
struct VariableData {
    std::string name;
    nc_type type = NC_NAT;
    std::vector<std::size_t> dimLengths;
    std::size_t count = 0;         // number of values
    std::vector<char> text;        // NC_CHAR
    std::vector<int> ints;         // NC_INT
    std::vector<long long> wide;   // NC_UBYTE to NC_UINT64 (a uint64 as its bits)
    std::vector<double> reals;     // NC_FLOAT (widened) and NC_DOUBLE
    std::optional<CFormat> format; // NC_FLOAT and NC_DOUBLE
    double fill = 0.0;             // numeric types: _FillValue, else the default fill
    char fillChar = NC_FILL_CHAR;  // NC_CHAR

    bool IsFill(std::size_t i) const
    {
        switch (type) {
        case NC_CHAR: return text[i] == fillChar;
        case NC_INT: return ints[i] == fill;
        case NC_FLOAT:
        case NC_DOUBLE: return reals[i] == fill || reals[i] != reals[i];
        default: return IsWideInteger(type) && static_cast<double>(wide[i]) == fill;
        }
    }
};

bool HasValues(nc_type type)
{
    return type == NC_CHAR || type == NC_INT || type == NC_FLOAT || type == NC_DOUBLE || IsWideInteger(type);
}

// Strings and user-defined types have no CSV form: the export refuses them.
bool Refused(nc_type type)
{
    return type == NC_STRING || type > NC_MAX_ATOMIC_TYPE;
}

const CFormat& IntFormat()
{
    static const CFormat f = *CFormat::parse("%d", ValueKind::Integer);
    return f;
}

const CFormat& WideFormat(nc_type type)
{
    static const CFormat sig = *CFormat::parse("%lld", ValueKind::Integer);
    static const CFormat unsig = *CFormat::parse("%llu", ValueKind::Integer);
    return type == NC_UINT64 ? unsig : sig;
}

// The variable's _FillValue when it has one of its own type, else the default fill.
void ReadFill(int ncid, int varid, VariableData& data)
{
    switch (data.type) {
    case NC_CHAR: data.fillChar = NC_FILL_CHAR; break;
    case NC_INT: data.fill = NC_FILL_INT; break;
    case NC_FLOAT: data.fill = static_cast<double>(NC_FILL_FLOAT); break;
    case NC_DOUBLE: data.fill = NC_FILL_DOUBLE; break;
    case NC_UBYTE: data.fill = NC_FILL_UBYTE; break;
    case NC_USHORT: data.fill = NC_FILL_USHORT; break;
    case NC_UINT: data.fill = NC_FILL_UINT; break;
    case NC_INT64: data.fill = static_cast<double>(NC_FILL_INT64); break;
    default: data.fill = static_cast<double>(NC_FILL_UINT64); break;
    }
    nc_type attType = NC_NAT;
    std::size_t attLen = 0;
    if (nc_inq_att(ncid, varid, "_FillValue", &attType, &attLen) != NC_NOERR || attLen != 1 || attType != data.type)
        return;
    if (data.type == NC_CHAR)
        nc_get_att_text(ncid, varid, "_FillValue", &data.fillChar);
    else
        nc_get_att_double(ncid, varid, "_FillValue", &data.fill);
}

// Reads the variable's shape and, for the types that are written, all its values, or
// with `slice` only the slice at index slice->profile of a first dimension N_PROF
// (that dimension then no longer counts in its shape). Returns a netCDF status, or
// NC_ENOMEM for a variable too large to hold.
int ReadVariable(int ncid, int varid, VariableData& data, const ProfileSlice* slice = nullptr)
{
    char name[NC_MAX_NAME + 1] = {};
    int ndims = 0;
    int status = nc_inq_var(ncid, varid, name, &data.type, &ndims, nullptr, nullptr);
    if (status != NC_NOERR)
        return status;
    if (ndims < 0 || ndims > NC_MAX_VAR_DIMS)
        return NC_EINVAL;
    data.name = name;
    int dimids[NC_MAX_VAR_DIMS];
    if (ndims > 0 && (status = nc_inq_vardimid(ncid, varid, dimids)) != NC_NOERR)
        return status;

    std::size_t count = 1;
    bool tooLarge = false;
    for (int d = 0; d < ndims; ++d) {
        std::size_t len = 0;
        if ((status = nc_inq_dimlen(ncid, dimids[d], &len)) != NC_NOERR)
            return status;
        data.dimLengths.push_back(len);
        if (len != 0 && count > std::numeric_limits<std::size_t>::max() / len)
            tooLarge = true;
        else
            count *= len;
    }
    if (tooLarge)
        count = std::numeric_limits<std::size_t>::max();
    for (std::size_t len : data.dimLengths)
        if (len == 0)
            count = 0;
    SliceReader reader(ncid, varid);
    if (slice && ndims > 0 && dimids[0] == slice->profDimId)
        count = reader.SliceProfile(slice->profile, data.dimLengths, tooLarge);
    data.count = count;
    if (Refused(data.type))
        return NC_EBADTYPE;
    if (!HasValues(data.type) || count == 0)
        return NC_NOERR;
    ReadFill(ncid, varid, data);
    if (count > kMaxVariableBytes / sizeof(double))
        return NC_ENOMEM;

    switch (data.type) {
    case NC_CHAR: data.text.resize(count); return reader.Text(data.text.data());
    case NC_INT: data.ints.resize(count); return reader.Int(data.ints.data());
    case NC_UINT64:
        data.wide.resize(count);
        return reader.ULongLong(reinterpret_cast<unsigned long long*>(data.wide.data()));
    case NC_UBYTE:
    case NC_USHORT:
    case NC_UINT:
    case NC_INT64: data.wide.resize(count); return reader.LongLong(data.wide.data());
    case NC_FLOAT: {
        std::vector<float> floats(count);
        if ((status = reader.Float(floats.data())) != NC_NOERR)
            return status;
        data.reals.assign(floats.begin(), floats.end());
        data.format = CsvFloatingFormat(ncid, varid, data.type);
        return NC_NOERR;
    }
    case NC_DOUBLE:
        data.reals.resize(count);
        if ((status = reader.Double(data.reals.data())) != NC_NOERR)
            return status;
        data.format = CsvFloatingFormat(ncid, varid, data.type);
        return NC_NOERR;
    default: return NC_NOERR;
    }
}

// Appends value `index` of a numeric variable.
void AppendNumber(std::string& out, const VariableData& data, std::size_t index)
{
    const std::size_t start = out.size();
    if (data.type == NC_INT)
        IntFormat().append(out, data.ints[index]);
    else if (IsWideInteger(data.type))
        WideFormat(data.type).append(out, data.wide[index]);
    else
        data.format->append(out, data.reals[index]);
    // Literal text of a C_format could hold a comma or quote.
    if (out.find_first_of(",\"\r\n", start) != std::string::npos) {
        const std::string field = out.substr(start);
        out.resize(start);
        AppendCsvField(out, field);
    }
}

// A run of all the variable's values, separated by commas. Stops early, returning
// false, when the text grows past its limit.
bool AppendValueRun(std::string& out, const VariableData& data)
{
    if (data.type == NC_CHAR) {
        // Strings along the last dimension; a variable without dimensions is one
        // string of one character.
        const std::size_t length = data.dimLengths.empty() ? 1 : data.dimLengths.back();
        std::size_t strings = 1;
        for (std::size_t d = 0; d + 1 < data.dimLengths.size(); ++d) {
            const std::size_t len = data.dimLengths[d];
            strings = len != 0 && strings > std::numeric_limits<std::size_t>::max() / len
                          ? std::numeric_limits<std::size_t>::max()
                          : strings * len;
        }
        for (std::size_t s = 0; s < strings; ++s) {
            if (out.size() > kMaxCsvBytes)
                return false;
            if (s > 0)
                out += ',';
            std::string_view str;
            if (length > 0) {
                str = std::string_view(data.text.data() + s * length, length);
                str = str.substr(0, str.find('\0'));
            }
            AppendCsvField(out, str);
        }
        return true;
    }
    if (!HasValues(data.type))
        return true;
    for (std::size_t i = 0; i < data.count; ++i) {
        if (out.size() > kMaxCsvBytes)
            return false;
        if (i > 0)
            out += ',';
        AppendNumber(out, data, i);
    }
    return true;
}

// Cell of level j: value j of the variable in storage order; empty when the variable
// has no value there or its type is not written, and with `blankFill` when it is fill.
void AppendCell(std::string& out, const VariableData& data, std::size_t j, bool blankFill)
{
    if (!HasValues(data.type) || j >= data.count || (blankFill && data.IsFill(j)))
        return;
    if (data.type == NC_CHAR) {
        const char c = data.text[j];
        if (c != '\0')
            AppendCsvField(out, std::string_view(&c, 1));
        return;
    }
    AppendNumber(out, data, j);
}

CsvResult InputError(const std::string& path, int status, const std::string& variable = {})
{
    CsvResult r;
    r.status = CsvResult::Status::InputError;
    if (status == NC_ENOMEM && !variable.empty())
        r.message = path + ": variable " + variable + " is too large to export.";
    else if (status == NC_EBADTYPE && !variable.empty())
        r.message = path + ": variable " + variable +
                    " holds strings or values of a user-defined type, which a CSV "
                    "file cannot show.";
    else
        r.message = path + (variable.empty() ? "" : " (" + variable + ")") + ": " + nc_strerror(status);
    return r;
}

CsvResult TooLarge(const std::string& path)
{
    CsvResult r;
    r.status = CsvResult::Status::InputError;
    r.message = path + ": the chosen data are too large to export.";
    return r;
}

CsvResult Cancelled()
{
    CsvResult r;
    r.status = CsvResult::Status::Cancelled;
    r.message = "cancelled";
    return r;
}

CsvResult Build(int ncid, const CsvSaveSettings& s, std::string& out, JobControl* job)
{
    int nvars = 0;
    int status = nc_inq_nvars(ncid, &nvars);
    if (status != NC_NOERR)
        return InputError(s.ncPath, status);
    auto validId = [nvars](int id) { return id >= 0 && id < nvars; };

    // Level count: the length of N_LEVELS (no level rows without it).
    const ProfileShape shape = ReadProfileShape(ncid);
    if (!shape.ok())
        return InputError(s.ncPath, shape.status);
    const std::size_t levels = shape.levels.length;
    // With several profiles, variables along N_PROF give the chosen profile's slice.
    if (shape.prof.present() && shape.prof.length > 1 && s.profile >= shape.prof.length)
        return InputError(s.ncPath, NC_EINVALCOORDS);
    const ProfileSlice sliceOf{shape.prof.id, s.profile};
    const ProfileSlice* slice = shape.prof.present() && shape.prof.length > 1 ? &sliceOf : nullptr;

    // Progress counts rows: the Item rows, the header (reading the columns) and the
    // level rows. Reading a variable is the slow part, so cancels are seen before each.
    const auto cancelled = [job] { return job && job->Cancelled(); };
    const auto rowDone = [job] {
        if (job)
            job->AddDone(1);
    };
    if (job) {
        job->SetDone(0);
        job->SetTotal(s.items.size() + 1 + levels);
    }

    // Item rows.
    for (int id : s.items) {
        if (cancelled())
            return Cancelled();
        if (!validId(id))
            return InputError(s.ncPath, NC_ENOTVAR);
        VariableData data;
        if ((status = ReadVariable(ncid, id, data, slice)) != NC_NOERR)
            return InputError(s.ncPath, status, data.name);
        AppendCsvField(out, data.name);
        out += ',';
        const bool complete = AppendValueRun(out, data);
        out += kLineEnd;
        if (!complete || out.size() > kMaxCsvBytes)
            return TooLarge(s.ncPath);
        rowDone();
    }

    // Level header and the columns' values.
    std::vector<VariableData> columns(s.columns.size());
    for (std::size_t c = 0; c < s.columns.size(); ++c) {
        if (cancelled())
            return Cancelled();
        if (!validId(s.columns[c]))
            return InputError(s.ncPath, NC_ENOTVAR);
        if ((status = ReadVariable(ncid, s.columns[c], columns[c], slice)) != NC_NOERR)
            return InputError(s.ncPath, status, columns[c].name);
        if (c > 0)
            out += ',';
        AppendCsvField(out, columns[c].name);
    }
    out += kLineEnd;
    rowDone();

    for (std::size_t j = 0; j < levels; ++j) {
        if (cancelled())
            return Cancelled();
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (c > 0)
                out += ',';
            AppendCell(out, columns[c], j, s.blankFill);
        }
        out += kLineEnd;
        if (out.size() > kMaxCsvBytes)
            return TooLarge(s.ncPath);
        rowDone();
    }
    return {};
}

} // namespace

CsvResult BuildCsvText(const CsvSaveSettings& settings, std::string& out, JobControl* job)
{
    int ncid = -1;
    CsvResult result;
    std::string reason;
    if (open_netcdf_checked(settings.ncPath, &ncid, &reason) != NC_NOERR) {
        result.status = CsvResult::Status::InputError;
        result.message = settings.ncPath + ": " + reason;
        return result;
    }
    try {
        result = Build(ncid, settings, out, job);
    } catch (const std::bad_alloc&) {
        result = TooLarge(settings.ncPath);
    }
    nc_close(ncid);
    return result;
}

CsvResult WriteCsvFile(const CsvSaveSettings& settings, JobControl* job)
{
    CsvResult result;
    if (settings.outputPath.empty() || settings.outputPath.size() > kMaxCsvPathBytes ||
        settings.outputPath.find('\0') != std::string::npos) {
        result.status = CsvResult::Status::OutputError;
        result.message = settings.outputPath.empty() ? "No CSV file name given." : "The CSV file name is too long.";
        return result;
    }
    if (std::string clash = OutputClash(settings.outputPath, {settings.ncPath}); !clash.empty()) {
        result.status = CsvResult::Status::OutputError;
        result.message = std::move(clash);
        return result;
    }
    std::string text;
    result = BuildCsvText(settings, text, job);
    if (!result.ok())
        return result;
    std::string error;
    if (!WriteFileReplacing(settings.outputPath, text, &error, job)) {
        if (job && job->Cancelled())
            return Cancelled();
        result.status = CsvResult::Status::OutputError;
        result.message = error;
    }
    return result;
}
