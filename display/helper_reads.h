#pragma once
// The profile table and the axis titles read in the helper process (see
// core/helper_read.h) when reads_in_helper().
#include <optional>
#include <string>
#include <vector>

#include "core/wire.h"

#include "display/AxisTitles.h"
#include "display/ProfileTable.h"

// The fields of each result, in the order the wire carries them.
template <class Ar>
void wire_fields(Ar& ar, ProfileColumn& c)
{
    ar(c.name, c.width);
}
template <class Ar>
void wire_fields(Ar& ar, ProfileTable& t)
{
    ar(t.columns, t.rows, t.message);
}

ProfileTable ReadProfileTableInHelper(const std::string& path, std::size_t profile);
void ReadAxisTitlesInHelper(const std::string& path, GraphSettings& settings);

// The helper's side: the answer for `kind` and `args`, nullopt for another kind.
std::optional<std::string> ServeDisplayRead(const std::string& kind, const std::vector<std::string>& args);
