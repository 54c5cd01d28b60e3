// The delegate's side of desktop names: the system's own pager and switcher
// show the names the user gave, as the program's labels do.

#include "App/AppDelegate.h"

#include "Platform/Platform.h"

namespace lumivast {

namespace {

// Every custom name of a Space in the snapshot, by its managed number.
std::map<std::uint64_t, QString> storedNames(const SpaceSnapshot& snapshot, const SpaceStore& store)
{
    std::map<std::uint64_t, QString> names;
    for (const Space& space : snapshot.allSpaces()) {
        const std::optional<QString> name = store.meta(space.id).name;
        if (!space.isFullscreen && name && !name->isEmpty())
            names[space.managedID] = *name;
    }
    return names;
}

} // namespace

void AppDelegate::wireDesktopNames()
{
    auto publish = [this] { Platform::current().desktopNames().setStoredNames(storedNames(m_watcher.snapshot(), m_store)); };
    connect(&m_store, &SpaceStore::changed, this, publish);
    connect(&m_watcher, &SpaceWatcher::changed, this, publish);
}

} // namespace lumivast
