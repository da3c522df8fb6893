#pragma once
// The profile shape of an open netCDF file: its dimensions named exactly "N_PROF"
// (profiles) and "N_LEVELS" (levels), read once and shared by every profile reader.
#include <cstddef>
#include <span>
#include <string>

// One of the two dimensions of a profile file, as found in the file.
struct ProfileDimension {
    int id = -1;            // the dimension id, -1 when the file has no such dimension
    std::size_t length = 0; // its length (0 when absent)

    bool present() const { return id >= 0; }
};

struct ProfileShape {
    int status = 0;          // NC_NOERR, or the library's status when the dimensions could not be listed
    ProfileDimension prof;   // N_PROF
    ProfileDimension levels; // N_LEVELS

    bool ok() const { return status == 0; }
    // N_PROF = 1 and N_LEVELS > 1: the file holds one profile of several levels.
    bool IsSingleProfile() const { return prof.present() && prof.length == 1 && levels.present() && levels.length > 1; }
    // N_PROF >= 1 and N_LEVELS > 1: the file offers the profile tools (Profile View,
    // Graph View, Save CSV File), with a choice of profile when N_PROF > 1.
    bool OffersProfileTools() const
    {
        return prof.present() && prof.length >= 1 && levels.present() && levels.length > 1;
    }
    // A variable along the levels: its last dimension is N_LEVELS, whatever the others
    // are and however many profiles the file holds.
    bool IsLevelVariable(std::span<const int> dimids) const
    {
        return levels.present() && !dimids.empty() && dimids.back() == levels.id;
    }
    // A variable with one entry per profile: its first dimension is N_PROF.
    bool IsPerProfileVariable(std::span<const int> dimids) const
    {
        return prof.present() && !dimids.empty() && dimids.front() == prof.id;
    }
};

// Reads the shape of the open file `ncid` (its root group). Names are matched exactly,
// case and all; were a damaged file to hold two dimensions of one name, the first in
// id order counts, the one its variables are checked against.
ProfileShape ReadProfileShape(int ncid);

// The two lengths a profile tool relies on, as they were when the file was shown; a
// tool that finds others reports the file as changed rather than showing another shape.
struct ProfileExtent {
    std::size_t profiles = 0; // N_PROF
    std::size_t levels = 0;   // N_LEVELS

    bool operator==(const ProfileExtent&) const = default;
};

// Why the profile tools are not offered for this shape (empty when they are).
std::string ProfileToolsReason(const ProfileShape& shape);

// Reads the shape of the file at `path`: whether it offers the profile tools, its
// extent, and otherwise the reason. A file that cannot be opened offers nothing.
struct ProfileToolsInfo {
    bool offered = false;
    ProfileExtent extent;
    std::string reason;
};
ProfileToolsInfo ReadProfileToolsInfo(const std::string& path);

// Whether the file at `path` holds one profile (ProfileShape::IsSingleProfile); false
// when it cannot be opened through the checked open.
bool IsSingleProfileFile(const std::string& path);
