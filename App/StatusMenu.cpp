// The delegate's side of the status item: when the item is redrawn, and the
// sink's calls its menu makes.

#include "App/AppDelegate.h"

#include "Core/Settings/Settings.h"
#include "Core/Spaces/AppPaths.h"


namespace lumivast {

namespace K = Settings::Key;

void AppDelegate::updateStatusItem()
{
    if (m_statusBar)
        m_statusBar->update(m_watcher.snapshot());
}

void AppDelegate::contentsChanged()
{
    // The item shows the apps only through the empty-Space filter, the strip
    // and the automatic name (the first app of the current Space).
    const auto& defaults = Settings::defaults();
    const MenuBarStyle style = fromRawValueOrFallback<MenuBarStyle>(defaults.string(K::menuBarStyle).value_or(QString()));
    if (defaults.boolValue(K::hideEmptySpaces) || showsAllSpaces(style) || defaults.boolValue(K::autoNameSpaces))
        updateStatusItem();
    scheduleStateExport();
}

void AppDelegate::editSpace(const Space& space)
{
    showSettings(SettingsTab::spaces, space.id);
}

void AppDelegate::refreshThumbnails()
{
    m_thumbnails.captureActiveSpaces(m_watcher.snapshot(), kPreviewRefreshDelay);
}

void AppDelegate::runSetup(const Space& space)
{
    automation().runSetup(space);
}

QStringList AppDelegate::profileNames() const
{
    QStringList names;
    for (const SpaceProfile& profile : ProfileStore::read(AppPaths::file(QStringLiteral("profiles.json"))))
        names.append(profile.name);
    return names;
}

} // namespace lumivast
