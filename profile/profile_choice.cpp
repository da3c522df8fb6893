#include "profile/profile_choice.h"

#include <charconv>

#include "profile/reads.h"

ProfileArgument ParseProfileArgument(const std::string& text, std::size_t profiles)
{
    ProfileArgument a;
    const std::string range = profiles == 1 ? "0 (the file has 1 profile)"
                                            : "0 to " + std::to_string(profiles - 1) + " (the file has " +
                                                  std::to_string(profiles) + " profiles) or all";
    unsigned long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        a.message = "--profile " + text + " is not a profile number; use " + range;
        return a;
    }
    if (value >= profiles) {
        a.message = "--profile " + text + " is beyond the file's profiles; use " + range;
        return a;
    }
    a.ok = true;
    a.index = static_cast<std::size_t>(value);
    return a;
}

std::string DescribeChosenProfile(FileReader& reader, const std::string& path, std::size_t index)
{
    // That profile's summary alone: a file of many profiles is not read whole for it.
    const ProfileSummaryList list = ReadProfileSummaries(reader, path, {index, 1});
    if (!list.ok || list.profiles.size() != 1)
        return "profile " + std::to_string(index);
    return DescribeProfile(list.profiles.front(), list.extent.profiles);
}
