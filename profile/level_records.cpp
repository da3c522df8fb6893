#include "profile/level_records.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <new>

#include <netcdf.h>

#include "cdl/c_format.h"
#include "cdl/checked_open.h"
#include "profile/profile_shape.h"
#include "profile/seawater.h"

namespace {

constexpr float kMissingFloat = 99999.0f;

// Rounds a double to the nearest float as IEEE arithmetic does; values beyond the
// float range become infinities instead of undefined behaviour.
float NarrowToFloat(double v)
{
    // FLT_MAX plus half a float step at the top of the range: from here on a value
    // rounds to infinity.
    constexpr double kRoundsToInfinity = static_cast<double>(FLT_MAX) + 0x1p103;
    if (std::fabs(v) >= kRoundsToInfinity)
        return std::copysign(HUGE_VALF, static_cast<float>(v > 0 ? 1 : -1));
    if (std::fabs(v) > static_cast<double>(FLT_MAX))
        return v > 0 ? FLT_MAX : -FLT_MAX;
    return static_cast<float>(v);
}

// A level value as stored: the file's value rounded to float, or missing when it is
// not a finite number (NaN, infinite, or beyond the float range), so that nothing
// downstream has to scale or plot such a value.
float LevelValue(double v)
{
    const float f = NarrowToFloat(v);
    return std::isfinite(f) ? f : kMissingFloat;
}

// sigma-t of a level as the 32-bit value it is stored in; a result the float cannot
// hold counts as missing.
float SigmaAsFloat(float psal, float temp)
{
    const double s = SigmaT(static_cast<double>(psal), static_cast<double>(temp));
    const float f = NarrowToFloat(s);
    return std::isfinite(f) ? f : kMissingFloat;
}

// sigma-theta of a level as a 32-bit value, missing as SigmaAsFloat has it.
float SigmaThetaAsFloat(float psal, float temp, float pres)
{
    const double s = SigmaTheta(static_cast<double>(psal), static_cast<double>(temp), static_cast<double>(pres));
    const float f = NarrowToFloat(s);
    return std::isfinite(f) && s != kMissingValue ? f : kMissingFloat;
}

// The six variables in the order they are read.
constexpr const char* kVariableNames[6] = {"PRES", "TEMP", "PSAL", "PRES_ADJUSTED", "TEMP_ADJUSTED", "PSAL_ADJUSTED"};

// A level file with more levels than this is refused rather than building records
// for a size that only a damaged or hostile header would claim.
constexpr std::size_t kMaxLevels = 1'000'000;

std::string LibraryMessage(const char* what, int status)
{
    return std::string(what) + ": " + nc_strerror(status);
}

// Reads the whole variable `varid` as doubles into `values` (n entries) when it holds
// exactly n values; otherwise leaves `values` as it is (all missing).
void ReadLevelVariable(int ncid, int varid, std::size_t n, std::vector<double>& values)
{
    int ndims = 0;
    if (nc_inq_varndims(ncid, varid, &ndims) != NC_NOERR || ndims < 0 || ndims > NC_MAX_VAR_DIMS)
        return;
    int dimids[NC_MAX_VAR_DIMS];
    if (nc_inq_vardimid(ncid, varid, dimids) != NC_NOERR)
        return;
    std::size_t count = 1;
    for (int d = 0; d < ndims; ++d) {
        std::size_t len = 0;
        if (nc_inq_dimlen(ncid, dimids[d], &len) != NC_NOERR)
            return;
        if (len != 0 && count > n / len + 1)
            return; // far larger than n; also keeps the product from overflowing
        count *= len;
    }
    if (count != n)
        return;
    std::vector<double> buffer(n, kMissingValue);
    if (nc_get_var_double(ncid, varid, buffer.data()) != NC_NOERR)
        return; // a partly read buffer is never shown
    values.swap(buffer);
}

const CFormat& FormatFor(LevelColumn column)
{
    static const CFormat no = *CFormat::parse("%d", ValueKind::Integer);
    static const CFormat prs = *CFormat::parse("%.1f", ValueKind::Floating);
    static const CFormat tmp = *CFormat::parse("%.3f", ValueKind::Floating);
    static const CFormat sal = *CFormat::parse("%.4f", ValueKind::Floating);
    switch (column) {
    case LevelColumn::No: return no;
    case LevelColumn::Prs: return prs;
    case LevelColumn::Tmp: return tmp;
    case LevelColumn::Sal:
    case LevelColumn::Sig: return sal;
    }
    return no;
}

const char* CopyCell(const std::string& text, char* buf, std::size_t cap)
{
    if (buf == nullptr || cap == 0)
        return buf;
    const std::size_t len = std::min(text.size(), cap - 1);
    std::memcpy(buf, text.data(), len);
    buf[len] = '\0';
    return buf;
}

} // namespace

CLevelRecord::CLevelRecord(const CLevelRecord& other)
    : no(other.no), pres(other.pres), presAdj(other.presAdj), temp(other.temp), tempAdj(other.tempAdj),
      psal(other.psal), psalAdj(other.psalAdj)
{
    ComputeSigmas();
}

CLevelRecord& CLevelRecord::operator=(const CLevelRecord& other)
{
    no = other.no;
    pres = other.pres;
    presAdj = other.presAdj;
    temp = other.temp;
    tempAdj = other.tempAdj;
    psal = other.psal;
    psalAdj = other.psalAdj;
    ComputeSigmas();
    return *this;
}

void CLevelRecord::ComputeSigmas()
{
    sigma = SigmaAsFloat(psal, temp);
    sigmaAdj = SigmaAsFloat(psalAdj, tempAdj);
    sigmaTheta = SigmaThetaAsFloat(psal, temp, pres);
    sigmaThetaAdj = SigmaThetaAsFloat(psalAdj, tempAdj, presAdj);
}

void CLevelArray::Add(const CLevelRecord& record)
{
    auto copy = std::make_unique<CLevelRecord>(record);
    if (m_records.empty() || m_records.back()->no <= copy->no) {
        m_records.push_back(std::move(copy));
        return;
    }
    auto pos = std::upper_bound(m_records.begin(), m_records.end(), copy->no,
                                [](std::int32_t no, const std::unique_ptr<CLevelRecord>& r) { return no < r->no; });
    m_records.insert(pos, std::move(copy));
}

int CLevelArray::Find(int no) const
{
    auto pos = std::lower_bound(m_records.begin(), m_records.end(), no,
                                [](const std::unique_ptr<CLevelRecord>& r, int value) { return r->no < value; });
    if (pos == m_records.end() || (*pos)->no != no)
        return -1;
    return static_cast<int>(pos - m_records.begin());
}

bool CLevelArray::HasAdjustedData() const
{
    return std::any_of(m_records.begin(), m_records.end(),
                       [](const std::unique_ptr<CLevelRecord>& r) { return r->presAdj != kMissingFloat; });
}

LevelLoadResult LoadLevelArray(const std::string& path, CLevelArray& array)
{
    LevelLoadResult result;
    int ncid = -1;
    std::string reason;
    if (open_netcdf_checked(path, &ncid, &reason) != NC_NOERR) {
        result.ok = false;
        result.message = path + ": " + reason;
        return result;
    }

    const ProfileShape shape = ReadProfileShape(ncid);
    int nvars = 0;
    const int status = shape.ok() ? nc_inq_nvars(ncid, &nvars) : shape.status;
    if (status != NC_NOERR || !shape.levels.present()) {
        nc_close(ncid);
        result.ok = false;
        result.message =
            status != NC_NOERR ? LibraryMessage(path.c_str(), status) : path + ": the file has no dimension N_LEVELS.";
        return result;
    }
    const std::size_t n = shape.levels.length;
    if (n > kMaxLevels) {
        nc_close(ncid);
        result.ok = false;
        result.message = path + ": the file has too many levels to show (N_LEVELS is " + std::to_string(n) + ").";
        return result;
    }

    int varids[6] = {-1, -1, -1, -1, -1, -1};
    for (int v = 0; v < nvars; ++v) {
        char name[NC_MAX_NAME + 1] = {};
        if (nc_inq_varname(ncid, v, name) != NC_NOERR)
            continue;
        for (int i = 0; i < 6; ++i)
            if (std::strcmp(name, kVariableNames[i]) == 0)
                varids[i] = v;
    }

    // Strings and user-defined types have no numbers to plot: refused by name.
    for (int i = 0; i < 6; ++i) {
        nc_type type = NC_NAT;
        if (varids[i] >= 0 && nc_inq_vartype(ncid, varids[i], &type) == NC_NOERR &&
            (type == NC_STRING || type > NC_MAX_ATOMIC_TYPE)) {
            nc_close(ncid);
            result.ok = false;
            result.message = path + ": variable " + kVariableNames[i] +
                             " holds strings or values of a user-defined type, not numbers.";
            return result;
        }
    }

    try {
        std::vector<double> values[6];
        for (int i = 0; i < 6; ++i) {
            values[i].assign(n, kMissingValue);
            if (varids[i] >= 0)
                ReadLevelVariable(ncid, varids[i], n, values[i]);
        }
        nc_close(ncid);
        ncid = -1;

        // The first level of the file gets the highest number, n. Adding from the
        // last level up appends each record, giving the same ascending array as
        // adding in file order without shifting it n times.
        for (std::size_t k = n; k-- > 0;) {
            CLevelRecord record;
            record.no = static_cast<std::int32_t>(n - k);
            record.pres = LevelValue(values[0][k]);
            record.temp = LevelValue(values[1][k]);
            record.psal = LevelValue(values[2][k]);
            record.presAdj = LevelValue(values[3][k]);
            record.tempAdj = LevelValue(values[4][k]);
            record.psalAdj = LevelValue(values[5][k]);
            record.ComputeSigmas();
            array.Add(record);
        }
    } catch (const std::bad_alloc&) {
        if (ncid >= 0)
            nc_close(ncid);
        array.RemoveAll();
        result.ok = false;
        result.message = path + ": out of memory while reading the levels.";
    }
    return result;
}

const char* FormatLevelCell(LevelColumn column, const CLevelRecord& record, bool adjusted, char* buf, std::size_t cap)
{
    if (column == LevelColumn::No)
        return CopyCell(FormatFor(column).format(static_cast<long long>(record.no)), buf, cap);

    float value = kMissingFloat;
    switch (column) {
    case LevelColumn::Prs: value = adjusted ? record.presAdj : record.pres; break;
    case LevelColumn::Tmp: value = adjusted ? record.tempAdj : record.temp; break;
    case LevelColumn::Sal: value = adjusted ? record.psalAdj : record.psal; break;
    case LevelColumn::Sig: value = adjusted ? record.sigmaAdj : record.sigma; break;
    case LevelColumn::No: break;
    }
    if (value == kMissingFloat)
        return CopyCell("-----", buf, cap);
    return CopyCell(FormatFor(column).format(static_cast<double>(value)), buf, cap);
}

CLevelRecord LevelRecordFromValues(std::int32_t no, const double (&values)[6])
{
    CLevelRecord record;
    record.no = no;
    record.pres = LevelValue(values[0]);
    record.temp = LevelValue(values[1]);
    record.psal = LevelValue(values[2]);
    record.presAdj = LevelValue(values[3]);
    record.tempAdj = LevelValue(values[4]);
    record.psalAdj = LevelValue(values[5]);
    record.ComputeSigmas();
    return record;
}
