#include "UI/Search/PanelSources.h"

#include "Core/Apps/AppCatalogue.h"
#include "Core/Shell/KeyNames.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Platform/Platform.h"

namespace lumivast {

namespace WindowFinder {

QString hint()
{
    return QStringLiteral("%1 to go there · %2 to bring it here · %3 to close")
        .arg(KeyNames::inApp(Qt::Key_Return), KeyNames::inApp(bringHereKey), KeyNames::inApp(Qt::Key_Escape));
}

std::vector<PanelItem> items(const std::vector<SpaceContents::WindowInfo>& windows, const SpaceSnapshot& snapshot,
                             const SpaceStore& store, bool allSpaces, const Actions& actions)
{
    const Space* current = snapshot.currentSpace();
    if (!allSpaces && !current)
        return {};
    const std::vector<Space> spaces = snapshot.allSpaces();
    RunningApplications& apps = Platform::current().runningApplications();
    std::vector<PanelItem> list;
    for (const SpaceContents::WindowInfo& window : windows) {
        if (!allSpaces && window.spaceID != current->managedID)
            continue;
        QString spaceName;
        for (const Space& space : spaces) {
            if (space.managedID == window.spaceID) {
                spaceName = store.displayName(space);
                break;
            }
        }
        PanelItem item;
        item.id = QString::number(window.id);
        if (window.title.isEmpty()) {
            item.title = window.appName;
            item.subtitle = spaceName;
        } else {
            item.title = window.title;
            item.subtitle = window.appName + QStringLiteral(" · ") + spaceName;
        }
        item.icon = apps.icon(window.pid);
        item.primary = [go = actions.go, window] {
            if (go)
                go(window);
        };
        item.secondary = [bringHere = actions.bringHere, window] {
            if (bringHere)
                bringHere(window);
        };
        list.push_back(std::move(item));
    }
    return list;
}

void configure(SearchPanelModel& model, bool allSpaces, const SpaceContents& contents, const SpaceWatcher& watcher,
               const SpaceStore& store, Actions actions)
{
    model.placeholder = placeholder;
    model.scopeLabel = scopeLabel;
    model.hint = hint();
    model.source = [&contents, &watcher, &store, actions = std::move(actions)](bool all) {
        return items(contents.windows(), watcher.snapshot(), store, all, actions);
    };
    model.setScopeAll(allSpaces);
}

} // namespace WindowFinder

namespace AppLauncher {

QString hint()
{
    return QStringLiteral("%1 to open here · %2 to close").arg(KeyNames::inApp(Qt::Key_Return), KeyNames::inApp(Qt::Key_Escape));
}

std::vector<PanelItem> items(const QStringList& bundles, const std::function<void(const QString&)>& open)
{
    RunningApplications& apps = Platform::current().runningApplications();
    std::vector<PanelItem> list;
    list.reserve(std::size_t(bundles.size()));
    for (const QString& path : bundles) {
        PanelItem item;
        item.id = path;
        item.title = path.section(QLatin1Char('/'), -1);
        if (item.title.endsWith(QLatin1String(".app")))
            item.title.chop(4);
        item.icon = apps.iconForFile(path);
        item.primary = [open, path] {
            if (open)
                open(path);
        };
        list.push_back(std::move(item));
    }
    return list;
}

void configure(SearchPanelModel& model, const SpaceContents& contents, const SpaceWatcher& watcher, Scheduler& scheduler)
{
    model.placeholder = placeholder;
    model.scopeLabel.reset();
    model.hint = hint();
    const auto open = [&contents, &watcher, &scheduler](const QString& path) {
        const Space* current = watcher.snapshot().currentSpace();
        AppCatalogue::openHere(path, contents, current ? std::optional<int>(current->managedID) : std::nullopt, scheduler);
    };
    model.source = [list = items(AppCatalogue::all(), open)](bool) { return list; };
}

} // namespace AppLauncher

} // namespace lumivast
