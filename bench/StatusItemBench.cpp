#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceContents.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Platform/Sim/SimPlatform.h"
#include "Platform/VirtualScheduler.h"
#include "UI/Alerts/AlertService.h"
#include "UI/MenuBar/StatusBarController.h"
#include "UI/MenuBar/TrayStatusItem.h"
#include "UI/Menus/MenuAdapter.h"

#include <QMenu>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace lumivast;

namespace {

class NoAlerts final : public AlertService {
public:
    AlertAnswer run(const Alert&) override { return {}; }
};

// `displays` displays of `perDisplay` desktops, each desktop with windows of
// eight apps.
std::shared_ptr<SimWorld> busyWorld(int displays, int perDisplay)
{
    auto world = std::make_shared<SimWorld>();
    for (int a = 0; a < 8; ++a)
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
            for (int a = 0; a < 8; ++a) {
                SimWorld::Window w;
                w.id = window++;
                w.pid = 700 + a;
                w.title = QStringLiteral("Window");
                w.frame = QRectF(100 + a * 10, 100, 400, 300);
                w.spaces = {space.managedID};
                world->windows.push_back(w);
            }
        }
        display.current = display.spaces.front().managedID;
        world->displays.push_back(std::move(display));
    }
    world->setSpacesPreferencesPath({});
    return world;
}

struct Setup {
    explicit Setup(int displays, int perDisplay)
    {
        world = busyWorld(displays, perDisplay);
        Platform::install(SimPlatform::create(world));
        UserDefaults::setStandard(&defaults);
        Settings::registerDefaults();
        watcher = std::make_unique<SpaceWatcher>(scheduler, dir.filePath(QStringLiteral("absent.plist")));
        contents = std::make_unique<SpaceContents>(scheduler);
        store = std::make_unique<SpaceStore>(scheduler, dir.filePath(QStringLiteral("spaces.json")));
        watcher->start();
        contents->refresh();
        scheduler.advance(SpaceContents::kPassDelay);
        contents->waitForReading();
        scheduler.runPending();
    }
    ~Setup() { UserDefaults::setStandard(nullptr); }

    QTemporaryDir dir;
    UserDefaults defaults{QStringLiteral("bench"), dir.filePath(QStringLiteral("defaults.json"))};
    std::shared_ptr<SimWorld> world;
    VirtualScheduler scheduler;
    NoAlerts alerts;
    std::unique_ptr<SpaceWatcher> watcher;
    std::unique_ptr<SpaceContents> contents;
    std::unique_ptr<SpaceStore> store;
};

// The strip of 16 Spaces through the tray item, which draws its image at the screen's density
// (QT_SCALE_FACTOR=2 in main makes that 2).
void StatusItemStripUpdate(benchmark::State& state)
{
    Setup setup(1, 16);
    Settings::defaults().set(Settings::Key::menuBarStyle, QStringLiteral("strip"));
    TrayStatusItem tray(setup.scheduler);
    StatusBarController bar(tray, *setup.watcher, *setup.store, *setup.contents, setup.scheduler, setup.alerts);
    // Two snapshots in turn, so that every update draws a new image.
    const SpaceSnapshot first = setup.watcher->snapshot();
    setup.world->switchSpace(QStringLiteral("Main"), setup.world->displays.front().spaces[5].managedID);
    setup.scheduler.advance(SpaceWatcher::kDebounce);
    const SpaceSnapshot second = setup.watcher->snapshot();
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        bar.update(flip ? first : second);
        setup.scheduler.runPending();
        benchmark::DoNotOptimize(tray.shownImage());
    }
    state.counters["dpr"] = tray.shownImage().devicePixelRatio();
}
BENCHMARK(StatusItemStripUpdate)->Unit(benchmark::kMicrosecond);

// The menu as it opens: the tree and the QMenu, laid out (offscreen).
void StatusMenuOpen(benchmark::State& state)
{
    Setup setup(3, 16);
    for (const Space& space : setup.watcher->snapshot().allSpaces())
        setup.store->setNote(QStringLiteral("A note about this Space"), space.id);
    TrayStatusItem tray(setup.scheduler);
    StatusBarController bar(tray, *setup.watcher, *setup.store, *setup.contents, setup.scheduler, setup.alerts);
    int rows = 0;
    for (auto _ : state) {
        const std::vector<MenuItem> tree = bar.menuTree();
        rows = int(tree.size());
        std::unique_ptr<QMenu> menu(MenuAdapter::build(tree, setup.scheduler));
        benchmark::DoNotOptimize(menu->sizeHint());
    }
    state.counters["items"] = rows;
}
BENCHMARK(StatusMenuOpen)->Unit(benchmark::kMillisecond);

} // namespace
