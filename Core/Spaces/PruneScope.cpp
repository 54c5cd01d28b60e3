#include "Core/Spaces/PruneScope.h"

namespace lumivast {

namespace {

const DisplaySpaces* row(const SpaceSnapshot& snapshot, const QString& displayID)
{
    for (const DisplaySpaces& display : snapshot.displays) {
        if (display.id == displayID)
            return &display;
    }
    return nullptr;
}

bool reportsSpaces(const SpaceSnapshot& snapshot, const QString& displayID)
{
    const DisplaySpaces* display = row(snapshot, displayID);
    return display && !display->spaces.empty();
}

} // namespace

bool PruneScope::mayPrune(const QString& id, const SpaceSnapshot& snapshot) const
{
    if (snapshot.space(id))
        return false;
    const auto seen = m_displayOfSpace.constFind(id);
    if (seen != m_displayOfSpace.constEnd())
        return reportsSpaces(snapshot, *seen);
    if (snapshot.displays.empty())
        return false;
    for (const DisplaySpaces& display : snapshot.displays) {
        if (display.spaces.empty())
            return false;
    }
    for (const QString& displayID : m_displays) {
        if (!reportsSpaces(snapshot, displayID))
            return false;
    }
    return true;
}

void PruneScope::remember(const SpaceSnapshot& snapshot)
{
    for (const DisplaySpaces& display : snapshot.displays) {
        if (display.spaces.empty())
            continue;
        m_displays.insert(display.id);
        for (const Space& space : display.spaces)
            m_displayOfSpace.insert(space.id, display.id);
    }
}

} // namespace lumivast
