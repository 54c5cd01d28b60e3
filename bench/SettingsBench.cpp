#include "Core/Previews/ThumbnailService.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Core/Time/TimeTracker.h"
#include "Platform/Sim/SimPlatform.h"
#include "Platform/SerialQueue.h"
#include "Platform/VirtualScheduler.h"
#include "UI/Settings/SettingsServices.h"
#include "UI/Settings/SettingsWindow.h"
#include "UI/Settings/SpaceEditor.h"
#include "UI/Settings/SpacesPane.h"
#include "UI/Settings/WatcherProxy.h"

#include <QApplication>
#include <QLayout>
#include <QListWidget>
#include <QTemporaryDir>
#include <QUuid>

#include <benchmark/benchmark.h>

using namespace lumivast;

namespace {

class CancellingPanels final : public FilePanels {
public:
    std::optional<QStringList> runOpen(const OpenPanelRequest&) override { return std::nullopt; }
    std::optional<QString> runSave(const SavePanelRequest&) override { return std::nullopt; }
};

// `displays` displays of `perDisplay` desktops with a few windows each.
std::shared_ptr<SimWorld> settingsWorld(int displays, int perDisplay)
{
    auto world = std::make_shared<SimWorld>();
    for (int a = 0; a < 4; ++a)
        world->apps.push_back({700 + a, QStringLiteral("org.example.app%1").arg(a), QStringLiteral("App %1").arg(a)});
    std::uint64_t managed = 1;
    std::uint32_t window = 1000;
    for (int d = 0; d < displays; ++d) {
        SimWorld::Display display;
        display.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        display.identifier = d == 0 ? QStringLiteral("Main") : display.uuid;
        display.main = d == 0;
        display.number = std::uint32_t(d + 1);
        display.frame = QRectF(1512.0 * d, 0, 1512, 982);
        for (int s = 0; s < perDisplay; ++s) {
            SimWorld::SimSpace space;
            space.managedID = managed++;
            space.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
            display.spaces.push_back(space);
            SimWorld::Window w;
            w.id = window++;
            w.pid = 700 + s % 4;
            w.title = QStringLiteral("Window");
            w.frame = QRectF(100, 100, 400, 300);
            w.spaces = {space.managedID};
            world->windows.push_back(w);
        }
        display.current = display.spaces.front().managedID;
        world->displays.push_back(std::move(display));
    }
    world->setSpacesPreferencesPath({});
    return world;
}

struct Setup {
    Setup(int displays, int perDisplay)
    {
        world = settingsWorld(displays, perDisplay);
        Platform::install(SimPlatform::create(world));
        UserDefaults::setStandard(&defaults);
        Settings::registerDefaults();
        watcher = std::make_unique<SpaceWatcher>(scheduler, dir.filePath(QStringLiteral("absent.plist")));
        store = std::make_unique<SpaceStore>(scheduler, dir.filePath(QStringLiteral("spaces.json")));
        tracker = std::make_unique<TimeTracker>(scheduler, dir.filePath(QStringLiteral("stats.json")));
        thumbnails = std::make_unique<ThumbnailService>(scheduler, dir.filePath(QStringLiteral("thumbs")));
        watcher->start();
        for (const Space& space : watcher->snapshot().allSpaces()) {
            store->setName(QStringLiteral("Space %1").arg(space.managedID), space.id);
            store->setColor(QStringLiteral("#4F7BF7"), space.id);
        }
        services = std::make_unique<SettingsServices>(*watcher, *store, *tracker, *thumbnails, scheduler, panels);
    }
    ~Setup()
    {
        SpaceEditor::shortcutQueue().waitUntilIdle();
        scheduler.runPending();
        services.reset();
        UserDefaults::setStandard(nullptr);
    }

    QTemporaryDir dir;
    UserDefaults defaults{QStringLiteral("bench"), dir.filePath(QStringLiteral("defaults.json"))};
    std::shared_ptr<SimWorld> world;
    VirtualScheduler scheduler;
    CancellingPanels panels;
    std::unique_ptr<SpaceWatcher> watcher;
    std::unique_ptr<SpaceStore> store;
    std::unique_ptr<TimeTracker> tracker;
    std::unique_ptr<ThumbnailService> thumbnails;
    std::unique_ptr<SettingsServices> services;
};

// Lays out what the last change left for the event loop, as the first frame would.
void settle(QWidget* window)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    if (window->layout())
        window->layout()->activate();
    QCoreApplication::processEvents();
}

// The first opening: the window, its sidebar and the General pane, shown and laid out.
void SettingsFirstOpening(benchmark::State& state)
{
    Setup setup(1, 4);
    for (auto _ : state) {
        SettingsWindowController controller(*setup.services);
        controller.show();
        settle(controller.window());
        benchmark::DoNotOptimize(controller.window()->pane());
        state.PauseTiming();
        controller.window()->hide();
        state.ResumeTiming();
    }
}
BENCHMARK(SettingsFirstOpening)->Unit(benchmark::kMillisecond);

// One tab change into the given tab: the other pane destroyed, this one built and laid out.
void SettingsTabSwitch(benchmark::State& state)
{
    Setup setup(2, 8);
    const auto tab = SettingsTab(state.range(0));
    const SettingsTab other = tab == SettingsTab::general ? SettingsTab::windows : SettingsTab::general;
    SettingsWindowController controller(*setup.services);
    controller.show(other);
    settle(controller.window());
    for (auto _ : state) {
        controller.navigation().setTab(tab);
        settle(controller.window());
        benchmark::DoNotOptimize(controller.window()->pane());
        state.PauseTiming();
        controller.navigation().setTab(other);
        settle(controller.window());
        SpaceEditor::shortcutQueue().waitUntilIdle();
        setup.scheduler.runPending();
        state.ResumeTiming();
    }
    state.SetLabel(rawValue(tab).toStdString());
}
BENCHMARK(SettingsTabSwitch)
    ->Arg(int(SettingsTab::general))
    ->Arg(int(SettingsTab::spaces))
    ->Arg(int(SettingsTab::windows))
    ->Unit(benchmark::kMillisecond);

// The Spaces list rebuilt for a new snapshot of four displays of sixteen Spaces, the editor kept.
void SettingsSpacesRedraw(benchmark::State& state)
{
    Setup setup(4, 16);
    SettingsWindowController controller(*setup.services);
    controller.show(SettingsTab::spaces);
    settle(controller.window());
    auto* pane = qobject_cast<SpacesPane*>(controller.window()->pane());
    const SpaceEditor* editor = pane->editor();
    const std::uint64_t first = setup.world->displays.front().spaces[0].managedID;
    const std::uint64_t second = setup.world->displays.front().spaces[5].managedID;
    bool flip = false;
    for (auto _ : state) {
        state.PauseTiming();
        flip = !flip;
        setup.world->switchSpace(QStringLiteral("Main"), flip ? second : first);
        setup.scheduler.advance(SpaceWatcher::kDebounce);
        state.ResumeTiming();
        WatcherProxy::shared().send();
        settle(controller.window());
    }
    state.counters["rows"] = pane->list()->count();
    state.counters["editorKept"] = pane->editor() == editor ? 1 : 0;
}
BENCHMARK(SettingsSpacesRedraw)->Unit(benchmark::kMillisecond);

} // namespace
