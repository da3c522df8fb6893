#pragma once
// Whole-variable reads of the per-profile variables of a profile file (first
// dimension N_PROF), checked against the shape they must have: one call per variable
// for any number of profiles, nothing read outside a variable.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "profile/profile_shape.h"

// A variable found by name, with its shape and its fill value.
struct PerProfileVariable {
    bool found = false;
    int varid = -1;
    int type = 0; // netCDF type code
    bool numeric = false;
    std::vector<int> dimids;
    std::vector<std::size_t> dimLengths;
    double fill = 0.0; // _FillValue, else the library's default fill of the type

    // Fill, or not a number: no value.
    bool IsFill(double v) const;
    // First dimension N_PROF.
    bool PerProfile(const ProfileShape& shape) const
    {
        return found && !dimids.empty() && dimids.front() == shape.prof.id;
    }
};

// Looks `name` up in the open file's root group; found is false when it is absent.
PerProfileVariable FindPerProfileVariable(int ncid, const ProfileShape& shape, const char* name);

// A numeric variable shaped (N_PROF): one value per profile, none where fill. None
// at all when the variable is absent, of another shape or type, or unreadable.
std::optional<std::vector<std::optional<double>>> ReadPerProfileNumbers(int ncid, const ProfileShape& shape,
                                                                        const char* name);
// A character variable shaped (N_PROF): one character per profile.
std::optional<std::string> ReadPerProfileFlags(int ncid, const ProfileShape& shape, const char* name);
// A character variable shaped (N_PROF, STRINGn): one string per profile, cut at the
// first NUL.
std::optional<std::vector<std::string>> ReadPerProfileStrings(int ncid, const ProfileShape& shape, const char* name);
// REFERENCE_DATE_TIME as seconds since 1970, else 1950-01-01.
std::int64_t ReadReferenceDateTime(int ncid);
