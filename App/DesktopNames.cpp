// The delegate's side of desktop names: the system's own pager and switcher
// show the names the user gave, as the program's labels do.

#include "App/AppDelegate.h"

#include "Platform/Platform.h"

namespace lumivast {

void AppDelegate::wireDesktopNames()
{
    auto publish = [this] {
        Platform::current().desktopNames().setStoredNames(m_store.desktopNamesByManagedNumber(m_watcher.snapshot()));
    };
    connect(&m_store, &SpaceStore::changed, this, publish);
    connect(&m_watcher, &SpaceWatcher::changed, this, publish);
}

} // namespace lumivast
