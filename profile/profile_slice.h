#pragma once
// Reading one profile's slice of a variable whose first dimension is N_PROF, or the
// whole variable, through one set of calls.
#include <cstddef>
#include <vector>

#include <netcdf.h>

struct ProfileSlice {
    int profDimId = -1;      // the N_PROF dimension
    std::size_t profile = 0; // the profile to read
};

// Reads a variable whole, or (after SliceProfile) only the slice of one profile.
class SliceReader {
public:
    SliceReader(int ncid, int varid) : m_ncid(ncid), m_varid(varid) {}

    // Restricts the reads to `profile` along the first of `dimLengths` (the variable's
    // dimension lengths, first N_PROF), which loses that first length. Returns the
    // number of values of the slice (SIZE_MAX when `tooLarge` or on overflow, 0 when
    // the profile lies outside the dimension, so that nothing is read).
    std::size_t SliceProfile(std::size_t profile, std::vector<std::size_t>& dimLengths, bool tooLarge)
    {
        m_start.assign(dimLengths.size(), 0);
        m_count = dimLengths;
        m_sliced = true;
        const bool inside = !dimLengths.empty() && profile < dimLengths.front();
        m_start[0] = profile;
        m_count[0] = 1;
        dimLengths.erase(dimLengths.begin());
        if (!inside)
            return 0;
        std::size_t count = 1;
        for (std::size_t len : dimLengths) {
            if (len != 0 && count > static_cast<std::size_t>(-1) / len)
                return static_cast<std::size_t>(-1);
            count *= len;
        }
        return tooLarge ? static_cast<std::size_t>(-1) : count;
    }

    int Text(char* out) const
    {
        return m_sliced ? nc_get_vara_text(m_ncid, m_varid, m_start.data(), m_count.data(), out)
                        : nc_get_var_text(m_ncid, m_varid, out);
    }
    int Int(int* out) const
    {
        return m_sliced ? nc_get_vara_int(m_ncid, m_varid, m_start.data(), m_count.data(), out)
                        : nc_get_var_int(m_ncid, m_varid, out);
    }
    int Float(float* out) const
    {
        return m_sliced ? nc_get_vara_float(m_ncid, m_varid, m_start.data(), m_count.data(), out)
                        : nc_get_var_float(m_ncid, m_varid, out);
    }
    int Double(double* out) const
    {
        return m_sliced ? nc_get_vara_double(m_ncid, m_varid, m_start.data(), m_count.data(), out)
                        : nc_get_var_double(m_ncid, m_varid, out);
    }
    int LongLong(long long* out) const
    {
        return m_sliced ? nc_get_vara_longlong(m_ncid, m_varid, m_start.data(), m_count.data(), out)
                        : nc_get_var_longlong(m_ncid, m_varid, out);
    }

    int ULongLong(unsigned long long* out) const
    {
        return m_sliced ? nc_get_vara_ulonglong(m_ncid, m_varid, m_start.data(), m_count.data(), out)
                        : nc_get_var_ulonglong(m_ncid, m_varid, out);
    }

private:
    int m_ncid;
    int m_varid;
    bool m_sliced = false;
    std::vector<std::size_t> m_start, m_count;
};
