#include "Core/Switching/SpaceNavigator.h"

#include "Core/Settings/Settings.h"

#include <algorithm>

namespace lumivast {

SpaceNavigator::Options SpaceNavigator::Options::fromSettings()
{
    const UserDefaults& defaults = Settings::defaults();
    Options options;
    options.wrapAround = defaults.boolValue(Settings::Key::wrapAround);
    options.skipEmpty = defaults.boolValue(Settings::Key::skipEmptyWhenCycling);
    options.hideEmpty = defaults.boolValue(Settings::Key::hideEmptySpaces);
    options.hideFullscreen = defaults.boolValue(Settings::Key::hideFullscreenSpaces);
    options.backAndForth = defaults.boolValue(Settings::Key::backAndForth);
    // 0 (no grid) and any stray 1 or less move by one Space.
    const qint64 columns = defaults.integerValue(Settings::Key::gridColumns);
    options.gridColumns = columns >= 2 ? int(columns) : 1;
    return options;
}

SpaceNavigator::SpaceNavigator(Options options, std::function<bool(const Space&)> isEmpty)
    : m_options(options)
    , m_isEmpty(std::move(isEmpty))
{
}

bool SpaceNavigator::hides(const Space& space, bool hideFullscreen, bool hideEmpty, bool isEmpty)
{
    return space.isFullscreen ? hideFullscreen : hideEmpty && isEmpty;
}

bool SpaceNavigator::hides(const Space& space) const
{
    return hides(space, m_options.hideFullscreen, m_options.hideEmpty, m_isEmpty(space));
}

std::optional<Space> SpaceNavigator::step(Direction direction, const DisplaySpaces& display, const Space& from) const
{
    switch (direction) {
    case Direction::left:
    case Direction::right: {
        const bool skipEmpty = m_options.skipEmpty || m_options.hideEmpty;
        return walk(direction == Direction::right, display, from, [this, skipEmpty](const Space& candidate) {
            return !hides(candidate, m_options.hideFullscreen, skipEmpty, m_isEmpty(candidate));
        });
    }
    case Direction::up:
    case Direction::down: {
        const int columns = std::max(m_options.gridColumns, 1);
        const int target = from.indexOnDisplay + (direction == Direction::up ? -columns : columns);
        if (target < 0 || target >= int(display.spaces.size()))
            return std::nullopt;
        return display.spaces[std::size_t(target)];
    }
    }
    return std::nullopt;
}

std::optional<Space> SpaceNavigator::windowStep(bool right, const DisplaySpaces& display, const Space& from) const
{
    return walk(right, display, from, [](const Space& candidate) { return !candidate.isFullscreen; });
}

Space SpaceNavigator::switchTarget(const Space& chosen, const std::optional<Space>& previous) const
{
    if (chosen.isActive && m_options.backAndForth && previous)
        return *previous;
    return chosen;
}

// One Space at a time (round the row with wrap-around), the first `eligible`
// accepts, never `from` itself.
std::optional<Space> SpaceNavigator::walk(bool right, const DisplaySpaces& display, const Space& from,
                                          const std::function<bool(const Space&)>& eligible) const
{
    const int n = int(display.spaces.size());
    if (n <= 1)
        return std::nullopt;
    int index = from.indexOnDisplay;
    for (int tried = 0; tried < n - 1; ++tried) {
        index += right ? 1 : -1;
        if (index < 0 || index >= n) {
            if (!m_options.wrapAround)
                return std::nullopt;
            index = (index + n) % n;
        }
        const Space& candidate = display.spaces[std::size_t(index)];
        if (candidate.id == from.id)
            return std::nullopt;
        if (eligible(candidate))
            return candidate;
    }
    return std::nullopt;
}

} // namespace lumivast
