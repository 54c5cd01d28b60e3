#include "Core/Spaces/SpaceModel.h"

#include <limits>

namespace lumivast {

const Space* DisplaySpaces::activeSpace() const
{
    if (!activeSpaceID)
        return nullptr;
    for (const Space& space : spaces) {
        if (space.id == *activeSpaceID)
            return &space;
    }
    return nullptr;
}

std::vector<Space> SpaceSnapshot::allSpaces() const
{
    std::vector<Space> all;
    for (const DisplaySpaces& display : displays)
        all.insert(all.end(), display.spaces.begin(), display.spaces.end());
    return all;
}

std::vector<Space> SpaceSnapshot::activeSpaces() const
{
    std::vector<Space> active;
    for (const DisplaySpaces& display : displays) {
        if (const Space* space = display.activeSpace())
            active.push_back(*space);
    }
    return active;
}

const DisplaySpaces* SpaceSnapshot::menuBarDisplay() const
{
    for (const DisplaySpaces& display : displays) {
        if (display.isMenuBarDisplay)
            return &display;
    }
    return displays.empty() ? nullptr : &displays.front();
}

const Space* SpaceSnapshot::space(const QString& id) const
{
    for (const DisplaySpaces& display : displays) {
        for (const Space& space : display.spaces) {
            if (space.id == id)
                return &space;
        }
    }
    return nullptr;
}

const DisplaySpaces* SpaceSnapshot::display(const Space& space) const
{
    for (const DisplaySpaces& display : displays) {
        if (display.id == space.displayID)
            return &display;
    }
    return nullptr;
}

const Space* SpaceSnapshot::currentSpace() const
{
    const DisplaySpaces* display = menuBarDisplay();
    return display ? display->activeSpace() : nullptr;
}

const SpaceSnapshot& SpaceSnapshot::empty()
{
    static const SpaceSnapshot snapshot{{}, QDateTime::fromMSecsSinceEpoch(std::numeric_limits<qint64>::min() / 2, Qt::UTC)};
    return snapshot;
}

size_t qHash(const Space& space, size_t seed)
{
    return qHashMulti(seed, space.id, space.managedID, space.displayID, space.desktopNumber.value_or(-1),
                      space.indexOnDisplay, space.isFullscreen, space.fullscreenPID.value_or(-1), space.isActive);
}

} // namespace lumivast
