#include "BenchWorld.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceContents.h"
#include "UI/MenuBar/StatusBarController.h"
#include "UI/MenuBar/TrayStatusItem.h"
#include "UI/Menus/MenuAdapter.h"
#include "tests/support/RecordingFront.h"

#include <QMenu>

#include <benchmark/benchmark.h>

using namespace lumivast;

namespace {

// `displays` displays of `perDisplay` desktops, each desktop with windows of
// eight apps, the window list read.
struct StatusSetup {
    explicit StatusSetup(int displays, int perDisplay)
        : env(bench::spreadWorld({.displays = displays, .spacesPerDisplay = perDisplay, .apps = 8, .windowsPerSpace = 8}))
    {
        contents = std::make_unique<SpaceContents>(env.scheduler);
        env.watcher->start();
        contents->refresh();
        env.scheduler.advance(SpaceContents::kPassDelay);
        contents->waitForReading();
        env.scheduler.runPending();
    }

    bench::BenchEnv env;
    bench::NoAlerts alerts;
    std::unique_ptr<SpaceContents> contents;
};

// The strip of 16 Spaces through the tray item, which draws its image at the screen's density
// (QT_SCALE_FACTOR=2 in main makes that 2).
void StatusItemStripUpdate(benchmark::State& state)
{
    StatusSetup setup(1, 16);
    Settings::defaults().set(Settings::Key::menuBarStyle, QStringLiteral("strip"));
    TrayStatusItem tray(setup.env.scheduler);
    test::RecordingFront front;
    StatusBarController bar(tray, *setup.env.watcher, *setup.env.store, *setup.contents, setup.env.scheduler, setup.alerts,
                            front, front);
    // Two snapshots in turn, so that every update draws a new image.
    const SpaceSnapshot first = setup.env.watcher->snapshot();
    setup.env.world->switchSpace(QStringLiteral("Main"), setup.env.world->displays.front().spaces[5].managedID);
    setup.env.scheduler.advance(SpaceWatcher::kDebounce);
    const SpaceSnapshot second = setup.env.watcher->snapshot();
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        bar.update(flip ? first : second);
        setup.env.scheduler.runPending();
        benchmark::DoNotOptimize(tray.shownImage());
    }
    state.counters["dpr"] = tray.shownImage().devicePixelRatio();
}
BENCHMARK(StatusItemStripUpdate)->Unit(benchmark::kMicrosecond);

// The menu as it opens: the tree and the QMenu, laid out (offscreen).
void StatusMenuOpen(benchmark::State& state)
{
    StatusSetup setup(3, 16);
    for (const Space& space : setup.env.watcher->snapshot().allSpaces())
        setup.env.store->setNote(QStringLiteral("A note about this Space"), space.id);
    TrayStatusItem tray(setup.env.scheduler);
    test::RecordingFront front;
    StatusBarController bar(tray, *setup.env.watcher, *setup.env.store, *setup.contents, setup.env.scheduler, setup.alerts,
                            front, front);
    int rows = 0;
    for (auto _ : state) {
        const std::vector<MenuItem> tree = bar.menuTree();
        rows = int(tree.size());
        std::unique_ptr<QMenu> menu(MenuAdapter::build(tree, setup.env.scheduler));
        benchmark::DoNotOptimize(menu->sizeHint());
    }
    state.counters["items"] = rows;
}
BENCHMARK(StatusMenuOpen)->Unit(benchmark::kMillisecond);

} // namespace
