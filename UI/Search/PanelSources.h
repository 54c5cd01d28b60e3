#pragma once

#include "Core/Commands/CommandSink.h"
#include "Core/Spaces/SpaceContents.h"
#include "Core/Spaces/SpaceModel.h"
#include "Platform/Scheduler.h"
#include "UI/Search/SearchPanelModel.h"

#include <QKeyCombination>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace lumivast {

class SpaceStore;
class SpaceWatcher;

// The window finder: the windows of the current Space, or of all Spaces.
namespace WindowFinder {

inline const QString placeholder = QStringLiteral("Search windows by app or title");
inline const QString scopeLabel = QStringLiteral("All Spaces");
// Bringing the highlighted window here.
inline constexpr QKeyCombination bringHereKey(Qt::ControlModifier, Qt::Key_Return);
// "Return to go there · Ctrl+Return to bring it here · Esc to close", with the keys' names as texts give them.
QString hint();

// What a row does.
struct Actions {
    // Return or a click: go to the window (switching to its Space first when needed) and raise it.
    std::function<void(const SpaceContents::WindowInfo&)> go;
    // bringHereKey: bring the window to the current Space.
    std::function<void(const SpaceContents::WindowInfo&)> bringHere;
    // A demo row: switch to its Space (only asked for a Space that is not active).
    std::function<void(const Space&)> goToSpace;
};

// The rows' actions as the program runs them: each goes to the command sink.
Actions actionsFor(CommandSink& sink);

// One row per window in the contents' order: all of them for `allSpaces`,
// otherwise those on the current Space (none when there is none).
std::vector<PanelItem> items(const std::vector<SpaceContents::WindowInfo>& windows, const SpaceSnapshot& snapshot,
                             const SpaceStore& store, bool allSpaces, const Actions& actions);

// In demo mode: the sample windows of desktops 1 to 8 (of the active Spaces
// only, unless `allSpaces`). Return goes to a row's Space and raises nothing;
// there is nothing to bring here, so Ctrl+Return does the same.
std::vector<PanelItem> demoItems(const SpaceSnapshot& snapshot, bool allSpaces,
                                 const std::function<void(const Space&)>& goToSpace);

// Sets the model's texts and its source (reading the services when it is
// asked), then the scope, so the items come from the new source.
void configure(SearchPanelModel& model, bool allSpaces, const SpaceContents& contents, const SpaceWatcher& watcher,
               const SpaceStore& store, Actions actions);

} // namespace WindowFinder

// The app launcher: the installed applications, opened on the current Space.
namespace AppLauncher {

inline const QString placeholder = QStringLiteral("Open an app on this Space");
// "Return to open here · Esc to close".
QString hint();

// One row per bundle path, in order; a row runs `open` with its path.
std::vector<PanelItem> items(const QStringList& bundles, const std::function<void(const QString&)>& open);

// Sets the model's texts and a source over the applications installed now
// (listed once, here); a row opens its app on the current Space of the moment.
void configure(SearchPanelModel& model, const SpaceContents& contents, const SpaceWatcher& watcher,
               Scheduler& scheduler);

} // namespace AppLauncher

} // namespace lumivast
