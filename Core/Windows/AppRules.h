#pragma once

#include "Core/Spaces/SpaceContents.h"
#include "Core/Spaces/SpaceModel.h"

#include <QString>

#include <cstdint>
#include <map>
#include <set>
#include <vector>

namespace lumivast {

class SpaceStore;
class WindowMover;

// Sends new windows of pinned applications (each Space's automation
// `pinnedApps`) to their Space, once per window for the life of the process
// (setting "applyAppRules"). Main thread only.
class AppRules final {
public:
    AppRules(SpaceStore& store, WindowMover& mover) : m_store(store), m_mover(mover) {}

    // Bundle identifier -> the Space it is pinned to; the later Space wins.
    std::map<QString, Space> rules(const SpaceSnapshot& snapshot) const;
    // Moves the given new windows of pinned applications that opened
    // elsewhere. Returns at once; the moves complete later.
    void apply(const std::vector<SpaceContents::WindowInfo>& windows, const SpaceSnapshot& snapshot);

    // Window numbers already dealt with; only ever grows.
    const std::set<std::uint32_t>& placed() const { return m_placed; }

private:
    SpaceStore& m_store;
    WindowMover& m_mover;
    std::set<std::uint32_t> m_placed;
};

} // namespace lumivast
