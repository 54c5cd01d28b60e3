// The delegate's side of the status item: when the item is redrawn.

#include "App/AppDelegate.h"

#include "Core/Settings/Settings.h"

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

} // namespace lumivast
