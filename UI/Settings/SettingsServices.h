#pragma once

#include "Core/Spaces/SpaceModel.h"
#include "Platform/FilePanels.h"
#include "Platform/Scheduler.h"
#include "UI/Settings/WatcherProxy.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace lumivast {

class SpaceStore;
class SpaceWatcher;
class ThumbnailService;
class TimeTracker;

// The live services every settings pane may use, fixed at creation, and the
// hooks the application fills while launching. Panes change settings only by
// writing keys and per-Space data only through the store.
class SettingsServices final {
public:
    SettingsServices(SpaceWatcher& watcher, SpaceStore& store, TimeTracker& tracker, ThumbnailService& thumbnails,
                     Scheduler& scheduler, FilePanels& panels)
        : watcher(watcher)
        , store(store)
        , tracker(tracker)
        , thumbnails(thumbnails)
        , scheduler(scheduler)
        , panels(&panels)
    {
    }
    SettingsServices(const SettingsServices&) = delete;
    SettingsServices& operator=(const SettingsServices&) = delete;

    SpaceWatcher& watcher;
    SpaceStore& store;
    TimeTracker& tracker;
    ThumbnailService& thumbnails;
    Scheduler& scheduler;
    // Open and save panels; tests answer through a fake of their own.
    FilePanels* panels;
    // Sent after every new snapshot.
    WatcherProxy snapshots;

    // The names of the global shortcuts another application holds.
    std::function<QStringList()> shortcutFailures = [] { return QStringList(); };
    // Runs a Space's setup now: its apps and URLs, whatever the conditions say.
    std::function<void(const Space&)> onRunSetup = [](const Space&) {};
    // The local API's access token, made (with its file) when there is none yet.
    std::function<QString()> apiToken = [] { return QString(); };
    // Asks whether the shell commands in an imported file may be kept, and
    // answers once the user has said; no one to ask keeps none.
    std::function<void(const QStringList& commands, std::function<void(bool allowed)> decided)> allowImportedCommands =
        [](const QStringList&, const std::function<void(bool)>& decided) { decided(false); };
};

} // namespace lumivast
