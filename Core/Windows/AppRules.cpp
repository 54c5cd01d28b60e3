#include "Core/Windows/AppRules.h"

#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Windows/WindowMover.h"
#include "Platform/Log.h"

namespace lumivast {

std::map<QString, Space> AppRules::rules(const SpaceSnapshot& snapshot) const
{
    std::map<QString, Space> table;
    for (const Space& space : snapshot.allSpaces()) {
        if (space.isFullscreen)
            continue;
        const auto it = m_store.metas().find(space.id);
        if (it == m_store.metas().end() || !it->second.automation)
            continue;
        for (const QString& bundleID : it->second.automation->pinnedApps)
            table[bundleID] = space;
    }
    return table;
}

void AppRules::apply(const std::vector<SpaceContents::WindowInfo>& windows, const SpaceSnapshot& snapshot)
{
    if (!Settings::defaults().boolValue(Settings::Key::applyAppRules))
        return;
    const auto table = rules(snapshot);
    if (table.empty() || windows.empty())
        return;
    for (const SpaceContents::WindowInfo& window : windows) {
        if (m_placed.contains(window.id) || !window.bundleID)
            continue;
        const auto rule = table.find(*window.bundleID);
        if (rule == table.end())
            continue;
        m_placed.insert(window.id);
        const Space& target = rule->second;
        if (window.spaceID == target.managedID)
            continue;
        m_mover.move(WindowMover::FrontWindow{window.id, window.pid, window.frame}, target, snapshot, false, false,
                     [](WindowMover::Result result) {
                         if (!result)
                             qCInfo(lcAppRules, "rule move failed: %s", qUtf8Printable(WindowMover::description(result.error())));
                     });
    }
}

} // namespace lumivast
