#include "profile/figure_title.h"

#include <algorithm>
#include <optional>

std::string FloatNumberOfFileName(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::size_t i = 0;
    while (i < name.size() && i < 2 && name[i] >= 'A' && name[i] <= 'Z')
        ++i;
    const std::size_t start = i;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9')
        ++i;
    // WMO float numbers have 5 or 7 digits; the name goes on with "_".
    if (i - start < 5 || i - start > 8 || i >= name.size() || name[i] != '_')
        return {};
    return name.substr(start, i - start);
}

std::string FigureTitle(const std::string& floatNumber, std::span<const ProfileSummary> shown)
{
    std::optional<long long> firstCycle, lastCycle;
    std::string firstDate, lastDate, platform;
    for (const ProfileSummary& s : shown) {
        if (platform.empty())
            platform = s.platform;
        if (s.cycle) {
            firstCycle = firstCycle ? std::min(*firstCycle, *s.cycle) : *s.cycle;
            lastCycle = lastCycle ? std::max(*lastCycle, *s.cycle) : *s.cycle;
        }
        // "YYYY-MM-DD HH:MM" sorts as text; the title keeps the day.
        const std::string day = s.date.substr(0, 10);
        if (day.empty())
            continue;
        if (firstDate.empty() || day < firstDate)
            firstDate = day;
        if (lastDate.empty() || day > lastDate)
            lastDate = day;
    }
    std::string title;
    auto add = [&title](const std::string& part) { title += (title.empty() ? "" : ", ") + part; };
    if (const std::string& number = platform.empty() ? floatNumber : platform; !number.empty())
        add("Float " + number);
    if (firstCycle)
        add(*firstCycle == *lastCycle ? "cycle " + std::to_string(*firstCycle)
                                      : "cycles " + std::to_string(*firstCycle) + "-" + std::to_string(*lastCycle));
    if (!firstDate.empty())
        add(firstDate == lastDate ? firstDate : firstDate + " to " + lastDate);
    return title;
}
