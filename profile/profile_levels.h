#pragma once
// The graph viewer's level records of chosen profiles of a profile file: the
// (N_PROF, N_LEVELS) slices of PRES, TEMP, PSAL and their _ADJUSTED twins.
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "profile/level_records.h"
#include "profile/profile_shape.h"

// Fills `out` with one level array per entry of `profiles` (0-based indices), in that
// order, numbered as LoadLevelArray numbers them. A file of one profile is read by
// LoadLevelArray itself, so it gives exactly the records it always gave. With more
// profiles a variable that is not shaped (N_PROF, N_LEVELS) leaves its values
// missing. Not ok when the file cannot be read, its N_PROF or N_LEVELS differ from
// `expected` (the file changed since it was shown), or an index is out of range.
LevelLoadResult LoadProfileLevels(const std::string& path, const ProfileExtent& expected,
                                  std::span<const std::size_t> profiles, std::vector<CLevelArray>& out);

// The message of a file whose shape is no longer the one that was shown.
std::string ChangedFileMessage(const std::string& path);

// Why a profile tool cannot go on with the file shown with extent `shown`, as read
// now into `info`: empty when it still offers the tools with that extent; the
// helper's message when the reading stopped; else ChangedFileMessage.
std::string ShownFileProblem(const std::string& path, const ProfileToolsInfo& info, const ProfileExtent& shown);

// Opens the file of a shown profile tool: checked, with its shape, and refused (with
// the message to show) when it cannot be opened, no longer has the extent shown, or
// lacks one of `profiles`.
bool OpenShownProfileFile(const std::string& path, const ProfileExtent& expected, std::span<const std::size_t> profiles,
                          int& ncid, ProfileShape& shape, std::string& message);
