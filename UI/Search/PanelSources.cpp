#include "UI/Search/PanelSources.h"

#include "Core/Apps/AppCatalogue.h"
#include "Core/Demo/DemoMode.h"
#include "Core/Shell/KeyNames.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Platform/Platform.h"

#include <map>

namespace lumivast {

namespace WindowFinder {

Actions actionsFor(CommandSink& sink)
{
    CommandSink* to = &sink;
    Actions actions;
    actions.go = [to](const SpaceContents::WindowInfo& window) { to->goToWindow(window); };
    actions.bringHere = [to](const SpaceContents::WindowInfo& window) { to->bringWindowHere(window); };
    actions.goToSpace = [to](const Space& space) { to->switchTo(space); };
    return actions;
}

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
    // One icon per application: its windows share it, and each look-up asks the system.
    std::map<std::int32_t, QImage> icons;
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
        auto icon = icons.find(window.pid);
        if (icon == icons.end())
            icon = icons.emplace(window.pid, apps.icon(window.pid)).first;
        item.icon = icon->second;
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

std::vector<PanelItem> demoItems(const SpaceSnapshot& snapshot, bool allSpaces,
                                 const std::function<void(const Space&)>& goToSpace)
{
    const int sampleCount = int(DemoMode::samples().size());
    Platform& platform = Platform::current();
    std::vector<PanelItem> list;
    for (const Space& space : snapshot.allSpaces()) {
        if (space.isFullscreen || !space.desktopNumber || *space.desktopNumber < 1 || *space.desktopNumber > sampleCount)
            continue;
        if (!allSpaces && !space.isActive)
            continue;
        const DemoMode::Sample* sample = DemoMode::sample(space);
        if (!sample)
            continue;
        for (std::size_t i = 0; i < sample->windows.size(); ++i) {
            const DemoMode::SampleWindow& window = sample->windows[i];
            PanelItem item;
            item.id = space.id + QLatin1Char('-') + QString::number(i);
            item.title = window.title;
            item.subtitle = window.app + QStringLiteral(" · ") + sample->name;
            if (!sample->bundleIDs.isEmpty()) {
                const QString& bundleID = qsizetype(i) < sample->bundleIDs.size() ? sample->bundleIDs[qsizetype(i)]
                                                                                    : sample->bundleIDs.front();
                if (const auto url = platform.workspace().urlForApplication(bundleID))
                    item.icon = platform.runningApplications().iconForFile(url->toLocalFile());
            }
            item.primary = [goToSpace, space] {
                if (!space.isActive && goToSpace)
                    goToSpace(space);
            };
            list.push_back(std::move(item));
        }
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
        if (DemoMode::isOn())
            return demoItems(watcher.snapshot(), all, actions.goToSpace);
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
