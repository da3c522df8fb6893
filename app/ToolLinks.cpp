#include "app/ToolLinks.h"

#include <algorithm>

#include "chooser/ProfileChooser.h"

namespace {

// What a chooser can take of a choice: all of it, or its first profile.
std::vector<std::size_t> TakenBy(const CProfileChooser& chooser, const std::vector<std::size_t>& profiles)
{
    if (chooser.MultipleChoice() || profiles.size() <= 1)
        return profiles;
    return {profiles.front()};
}

} // namespace

void CToolLinks::Add(CProfileChooser* chooser)
{
    if (!chooser)
        return;
    std::erase_if(m_choosers, [](const QPointer<CProfileChooser>& c) { return c.isNull(); });
    m_choosers.emplace_back(chooser);
    connect(chooser, &CProfileChooser::chosenChanged, this, [this, chooser] { Follow(chooser); });
    if (!m_current.empty()) {
        m_following = true;
        chooser->Choose(TakenBy(*chooser, m_current));
        m_following = false;
    }
}

void CToolLinks::Choose(const std::vector<std::size_t>& profiles)
{
    if (profiles.empty())
        return;
    m_current = profiles;
    m_following = true;
    // A chooser may be closed while another one reads its profiles.
    const std::vector<QPointer<CProfileChooser>> choosers = m_choosers;
    for (const QPointer<CProfileChooser>& c : choosers)
        if (c && c->Chosen() != TakenBy(*c, profiles))
            c->Choose(TakenBy(*c, profiles));
    m_following = false;
}

void CToolLinks::Follow(CProfileChooser* leader)
{
    if (m_following)
        return;
    Choose(leader->Chosen());
}
