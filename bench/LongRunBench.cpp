#include "App/LocalAPI.h"
#include "tests/support/RecordingFront.h"
#include "BenchWorld.h"
#include "Core/Previews/ThumbnailService.h"
#include "Core/Spaces/SpaceContents.h"
#include "Core/Switching/SpaceSwitcher.h"
#include "Platform/Sim/SimDock.h"
#include "Platform/Sim/SimEvents.h"
#include "UI/MenuBar/StatusBarController.h"
#include "UI/MenuBar/TrayStatusItem.h"
#include "UI/Menus/MenuAdapter.h"
#include "UI/Overview/OverlayController.h"

#include <QCoreApplication>
#include <QMenu>

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>

using namespace lumivast;

namespace {

// The program's steady work, over and over: switches, overview openings,
// status-menu openings and local API requests on the simulated desktop. Resident memory is taken
// at the start, after a warm-up round and at the end; what a long-running
// instance leaks shows as growth after the warm-up.
void LongRun(benchmark::State& state)
{
    // One display of 16 desktops, each with a window of every one of six apps.
    bench::BenchEnv env(bench::spreadWorld({.displays = 1, .spacesPerDisplay = 16, .apps = 6, .windowsPerSpace = 6}));
    env.world->dock().setScheduler(env.scheduler);
    VirtualScheduler& scheduler = env.scheduler;
    SimWorld& world = *env.world;
    SpaceWatcher& watcher = *env.watcher;
    SpaceStore& store = *env.store;
    SpaceContents contents(scheduler);
    SpaceSwitcher switcher(scheduler);
    bench::NoAlerts alerts;
    watcher.start();
    for (const Space& space : watcher.snapshot().allSpaces())
        store.setName(QStringLiteral("Space %1").arg(space.managedID), space.id);
    ThumbnailService thumbnails(scheduler, env.path("Thumbnails"));
    test::RecordingFront front;
    OverlayController overlay(scheduler, watcher, store, thumbnails, switcher, contents, alerts, front);
    TrayStatusItem tray(scheduler);
    StatusBarController bar(tray, watcher, store, contents, scheduler, alerts, front, front);
    test::RecordingFront readers;
    readers.token = [] { return QStringLiteral("token"); };

    const int switches = int(state.range(0));
    auto round = [&](int scale) {
        for (int i = 0; i < switches / scale; ++i) {
            const SpaceSnapshot snapshot = watcher.snapshot();
            const auto& spaces = snapshot.displays.front().spaces;
            switcher.switchTo(spaces[std::size_t(i % int(spaces.size()))], snapshot);
            scheduler.advance(std::chrono::milliseconds(60));
            // The simulation logs every posted event and every landing for the
            // tests to read; a real desktop keeps no such record for us.
            world.events().clearLog();
            world.dock().clearLog();
            if (i % 10 == 5) {
                overlay.show();
                for (int wait = 0; wait < 50 && !overlay.isOpen(); ++wait)
                    scheduler.advance(std::chrono::milliseconds(20));
                if (!overlay.isOpen())
                    state.SkipWithError("the overview did not open");
                QCoreApplication::processEvents(); // shown and painted
                overlay.hide(false);
                scheduler.advance(OverlayController::kFade + std::chrono::milliseconds(100));
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            }
            if (i % 10 == 0) {
                std::unique_ptr<QMenu> menu(MenuAdapter::build(bar.menuTree(), scheduler));
                benchmark::DoNotOptimize(menu->sizeHint());
                const QString request = QStringLiteral("POST /command?url=lumivast%3A%2F%2Fswitch%2F")
                    + QString::number(1 + i % 16) + QStringLiteral(" HTTP/1.1\r\nAuthorization: Bearer token\r\n\r\n");
                benchmark::DoNotOptimize(LocalAPI::reply(LocalAPI::respond(request, readers)));
            }
        }
        scheduler.advance(std::chrono::seconds(5));
        malloc_trim(0);
    };
    double start = 0, warm = 0, end = 0;
    for (auto _ : state) {
        start = bench::residentKB();
        round(10);
        warm = bench::residentKB();
        round(1);
        end = bench::residentKB();
    }
    state.counters["rss_start_kB"] = start;
    state.counters["rss_warm_kB"] = warm;
    state.counters["rss_end_kB"] = end;
    state.counters["growth_after_warmup_kB"] = end - warm;
}
BENCHMARK(LongRun)->Arg(bench::sized(10000, 20))->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
