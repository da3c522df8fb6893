#pragma once
// Reads of the per-profile variables of a profile file (first dimension N_PROF), whole
// or for a range of profiles, checked against the shape they must have: one call per
// variable for any number of profiles, nothing read outside a variable.
#include <cstddef>
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

// The profiles a reading covers: `count` profiles from `first` (fewer at the end of
// N_PROF). Results are indexed from `first`.
struct ProfileRange {
    std::size_t first = 0;
    std::size_t count = SIZE_MAX;
    // The profiles of an N_PROF of `profiles` it covers: first and number.
    std::size_t Start(std::size_t profiles) const { return first < profiles ? first : profiles; }
    std::size_t Size(std::size_t profiles) const
    {
        const std::size_t start = Start(profiles);
        return count < profiles - start ? count : profiles - start;
    }
};

// Looks `name` up in the open file's root group; found is false when it is absent.
PerProfileVariable FindPerProfileVariable(int ncid, const ProfileShape& shape, const char* name);

// A numeric variable shaped (N_PROF): one value per profile, none where fill. None
// at all when the variable is absent, of another shape or type, or unreadable.
std::optional<std::vector<std::optional<double>>> ReadPerProfileNumbers(int ncid, const ProfileShape& shape,
                                                                        const char* name, ProfileRange range = {});
// A character variable shaped (N_PROF): one character per profile.
std::optional<std::string> ReadPerProfileFlags(int ncid, const ProfileShape& shape, const char* name,
                                               ProfileRange range = {});
// A character variable shaped (N_PROF, STRINGn): one string per profile, cut at the
// first NUL.
std::optional<std::vector<std::string>> ReadPerProfileStrings(int ncid, const ProfileShape& shape, const char* name,
                                                              ProfileRange range = {});
// The JULD units text when JULD has one that does not say days since a valid date
// (JuldUnitsReadable), made printable and short for a message; none when it can be
// read, or JULD has no units.
std::optional<std::string> UnreadableJuldUnits(int ncid);
// The message for such units.
std::string UnreadableJuldUnitsMessage(const std::string& units);

// REFERENCE_DATE_TIME as seconds since 1970, else 1950-01-01.
std::int64_t ReadReferenceDateTime(int ncid);
