#include "BenchWorld.h"
#include "Core/Previews/ThumbnailService.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceContents.h"
#include "Platform/Platform.h"
#include "UI/Strips/DesktopLabelController.h"
#include "UI/Strips/FloatingToolbarController.h"
#include "UI/Strips/NotchStripController.h"


#include <benchmark/benchmark.h>

using namespace lumivast;

namespace {

// What one Space switch costs the strips and labels on two displays of 16
// Spaces with toolbars and labels on: the label update, the toolbar update,
// and each strip model's rebuild with its view's relayout (two toolbars and
// the notch strip).
void StripsOneSwitch(benchmark::State& state)
{
    bench::BenchEnv env(bench::spreadWorld({.displays = 2, .spacesPerDisplay = 16}));
    env.world->displays.front().identifier = env.world->displays.front().uuid; // both named by UUID
    env.defaults.set(Settings::Key::floatingToolbar, true);
    env.defaults.set(Settings::Key::desktopLabel, true);
    VirtualScheduler& scheduler = env.scheduler;
    SpaceWatcher& watcher = *env.watcher;
    SpaceStore& store = *env.store;
    SpaceContents contents(scheduler);
    ThumbnailService thumbnails(scheduler, env.path("Thumbnails"));
    watcher.start();
    scheduler.advance(SpaceWatcher::kDebounce);

    auto makeModel = [&] { return std::make_unique<StripModel>(scheduler, watcher, store, thumbnails, contents); };
    DesktopLabelController labels(scheduler);
    FloatingToolbarController toolbars(scheduler, makeModel);
    NotchStripController strip(scheduler, makeModel());
    const auto screen = Platform::current().screens().screens().front();
    strip.show(screen, std::nullopt);
    toolbars.update(watcher.snapshot());
    labels.update(watcher.snapshot(), store);

    const QString mainID = watcher.snapshot().displays.front().id;
    int step = 0;
    for (auto _ : state) {
        state.PauseTiming();
        env.world->switchSpace(mainID, std::uint64_t(1 + (++step % 16)));
        scheduler.advance(SpaceWatcher::kDebounce); // publishes; the models' rebuilds wait in the queue
        state.ResumeTiming();
        labels.update(watcher.snapshot(), store);
        toolbars.update(watcher.snapshot());
        scheduler.runPending(); // the three models' own rebuilds and relayouts
    }
}
BENCHMARK(StripsOneSwitch)->Unit(benchmark::kMillisecond)->Repetitions(bench::sized(5))->ReportAggregatesOnly(true);

} // namespace
