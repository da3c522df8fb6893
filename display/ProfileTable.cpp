#include "display/ProfileTable.h"

#include <netcdf.h>

#include <optional>

#include "cdl/c_format.h"
#include "cdl/checked_open.h"
#include "profile/profile_shape.h"

namespace {

// Closes the file when the table has been read, whatever path the reading takes.
class NcFile {
public:
    // Through the program's checked open: malformed or truncated files never reach
    // the library's reader.
    explicit NcFile(const std::string& path)
    {
        if (open_netcdf_checked(path, &m_id, nullptr) != NC_NOERR)
            m_id = -1;
    }
    ~NcFile()
    {
        if (m_id >= 0)
            nc_close(m_id);
    }
    NcFile(const NcFile&) = delete;
    NcFile& operator=(const NcFile&) = delete;
    int id() const { return m_id; }

private:
    int m_id = -1;
};

// Number of characters of a UTF-8 name (continuation bytes are not counted).
int CharacterCount(const std::string& s)
{
    int n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

std::string CutCell(std::string s)
{
    if (s.size() > kMaxCellText)
        s.resize(kMaxCellText);
    return s;
}

// The float format of a variable: its "C_format" text when that is a character
// attribute of at most kMaxCellText characters holding one floating conversion,
// otherwise "%.9f".
CFormat FloatFormat(int ncid, int varid)
{
    static const CFormat fallback = *CFormat::parse("%.9f", ValueKind::Floating);
    nc_type type = NC_NAT;
    size_t len = 0;
    if (nc_inq_att(ncid, varid, "C_format", &type, &len) != NC_NOERR || type != NC_CHAR || len == 0 ||
        len > kMaxCellText)
        return fallback;
    std::string text(len, '\0');
    if (nc_get_att_text(ncid, varid, "C_format", text.data()) != NC_NOERR)
        return fallback;
    auto parsed = CFormat::parse(text, ValueKind::Floating, kMaxCellText);
    return parsed ? *parsed : fallback;
}

struct LevelVariable {
    int varid = 0;
    nc_type type = NC_NAT;
    int ndims = 0;
    bool perProfile = false; // first dimension N_PROF, last N_LEVELS: one slice per profile
};

// Reads the `levels` values of the variable that run along its last dimension at
// index `profile` of a first dimension N_PROF and 0 of all others (with one profile,
// its flat indices 0 .. levels - 1) and formats them into one column. Cells stay
// empty when the values cannot be read.
void FillColumn(int ncid, const LevelVariable& v, std::size_t profile, std::size_t levels, std::size_t column,
                std::vector<std::vector<std::string>>& rows)
{
    std::vector<size_t> start(static_cast<std::size_t>(v.ndims), 0);
    std::vector<size_t> count(static_cast<std::size_t>(v.ndims), 1);
    count.back() = levels;
    if (v.perProfile)
        start.front() = profile;

    auto put = [&](std::size_t i, std::string text) { rows[i][column] = CutCell(std::move(text)); };

    switch (v.type) {
    case NC_CHAR: {
        std::vector<char> data(levels);
        if (nc_get_vara_text(ncid, v.varid, start.data(), count.data(), data.data()) != NC_NOERR)
            return;
        for (std::size_t i = 0; i < levels; ++i)
            if (data[i] != '\0')
                put(i, std::string(1, data[i]));
        return;
    }
    case NC_BYTE:
    case NC_SHORT:
    case NC_INT:
    case NC_INT64:
    case NC_UBYTE:
    case NC_USHORT:
    case NC_UINT: {
        NumberSpec spec;
        spec.conv = 'd';
        spec.length = NumberSpec::Length::ll;
        std::vector<long long> data(levels);
        if (nc_get_vara_longlong(ncid, v.varid, start.data(), count.data(), data.data()) != NC_NOERR)
            return;
        for (std::size_t i = 0; i < levels; ++i) {
            std::string s;
            append_integer(s, spec, data[i]);
            put(i, std::move(s));
        }
        return;
    }
    case NC_UINT64: {
        NumberSpec spec;
        spec.conv = 'u';
        spec.length = NumberSpec::Length::ll;
        std::vector<unsigned long long> data(levels);
        if (nc_get_vara_ulonglong(ncid, v.varid, start.data(), count.data(), data.data()) != NC_NOERR)
            return;
        for (std::size_t i = 0; i < levels; ++i) {
            std::string s;
            append_integer(s, spec, static_cast<long long>(data[i]));
            put(i, std::move(s));
        }
        return;
    }
    case NC_FLOAT: {
        const CFormat format = FloatFormat(ncid, v.varid);
        std::vector<float> data(levels);
        if (nc_get_vara_float(ncid, v.varid, start.data(), count.data(), data.data()) != NC_NOERR)
            return;
        for (std::size_t i = 0; i < levels; ++i)
            put(i, format.format(static_cast<double>(data[i])));
        return;
    }
    case NC_DOUBLE: {
        static const CFormat format = *CFormat::parse("%lf", ValueKind::Floating);
        std::vector<double> data(levels);
        if (nc_get_vara_double(ncid, v.varid, start.data(), count.data(), data.data()) != NC_NOERR)
            return;
        for (std::size_t i = 0; i < levels; ++i)
            put(i, format.format(data[i]));
        return;
    }
    default: // strings and user-defined types have no single-value text
        return;
    }
}

// The names of the columns FillColumn leaves empty for their type.
void NoteRefusedColumn(const std::string& name, const LevelVariable& v, std::string& message)
{
    if (v.type != NC_STRING && v.type <= NC_MAX_ATOMIC_TYPE)
        return;
    message += message.empty() ? "" : "\n";
    message += "Variable " + name + " holds strings or values of a user-defined type: its column stays empty.";
}

} // namespace

ProfileTable ReadProfileTable(const std::string& path, std::size_t profile)
{
    ProfileTable table;
    NcFile file(path);
    if (file.id() < 0)
        return table;
    const int ncid = file.id();

    const ProfileShape shape = ReadProfileShape(ncid);
    int nvars = 0;
    if (!shape.ok() || nc_inq_nvars(ncid, &nvars) != NC_NOERR || !shape.levels.present())
        return table;
    const size_t levels = shape.levels.length;
    if (profile > 0 && profile >= shape.prof.length)
        return table;

    std::vector<LevelVariable> vars;
    for (int v = 0; v < nvars; ++v) {
        char name[NC_MAX_NAME + 1] = {};
        LevelVariable lv;
        lv.varid = v;
        if (nc_inq_varndims(ncid, v, &lv.ndims) != NC_NOERR || lv.ndims <= 0 || lv.ndims > NC_MAX_VAR_DIMS)
            continue;
        std::vector<int> dimids(static_cast<std::size_t>(lv.ndims));
        if (nc_inq_var(ncid, v, name, &lv.type, nullptr, dimids.data(), nullptr) != NC_NOERR)
            continue;
        if (!shape.IsLevelVariable(dimids))
            continue;
        lv.perProfile = lv.ndims >= 2 && shape.IsPerProfileVariable(dimids);
        std::string title(name);
        int width = 10 * CharacterCount(title);
        table.columns.push_back({title, width < 100 ? 100 : width});
        vars.push_back(lv);
    }
    if (table.columns.empty() || levels == 0 || levels > kMaxProfileCells / table.columns.size())
        return table;

    table.rows.assign(levels, std::vector<std::string>(table.columns.size()));
    for (std::size_t c = 0; c < vars.size(); ++c) {
        NoteRefusedColumn(table.columns[c].name, vars[c], table.message);
        FillColumn(ncid, vars[c], profile, levels, c, table.rows);
    }
    return table;
}
