#include "BenchWorld.h"
#include "Core/Overview/OverlayViewModel.h"
#include "Core/Previews/ThumbnailService.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceProvider.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Platform/Sim/SimDock.h"
#include "Platform/Sim/SimPlatform.h"
#include "Platform/VirtualScheduler.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace lumivast;

namespace {

struct PreviewSetup {
    // `spaces` desktops of `perSpace` windows.
    explicit PreviewSetup(int spaces, int perSpace)
    {
        qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
        world = bench::reportWorld(spaces, perSpace);
        world->dock().setScheduler(scheduler);
        Platform::install(SimPlatform::create(world));
        Settings::registerDefaults();
    }
    QTemporaryDir dir;
    VirtualScheduler scheduler;
    std::shared_ptr<SimWorld> world;
};

// From the request to the file written: content, painting, JPEG, atomic write.
void PreviewCapture(benchmark::State& state)
{
    PreviewSetup setup(1, int(state.range(0)));
    ThumbnailService service(setup.scheduler, setup.dir.path());
    const SpaceSnapshot snapshot = *SpaceProvider::snapshot(setup.scheduler);
    for (auto _ : state) {
        bool done = false;
        service.captureActiveSpacesNow(snapshot, [&done] { done = true; });
        while (!done)
            setup.scheduler.runPending();
    }
    const PreviewImage& held = service.images().begin()->second;
    state.counters["width"] = held.size().width();
    state.counters["height"] = held.size().height();
    state.counters["jpegKB"] = held.data().size() / 1024.0;
}
BENCHMARK(PreviewCapture)->Arg(30)->Unit(benchmark::kMillisecond);

// What 16 held previews cost: their compressed data, and the resident memory they add.
void PreviewsHeld(benchmark::State& state)
{
    PreviewSetup setup(16, 30);
    // Sixteen files as the program leaves them, then a fresh service reading them as at start-up.
    {
        ThumbnailService writer(setup.scheduler, setup.dir.path());
        for (int s = 1; s <= 16; ++s) {
            setup.world->displays[0].current = std::uint64_t(s);
            bool done = false;
            writer.captureActiveSpacesNow(*SpaceProvider::snapshot(setup.scheduler), [&done] { done = true; });
            while (!done)
                setup.scheduler.runPending();
        }
    }
    double added = 0;
    double bytes = 0;
    for (auto _ : state) {
        const double before = bench::residentKB();
        auto service = std::make_unique<ThumbnailService>(setup.scheduler, setup.dir.path());
        added = bench::residentKB() - before;
        bytes = 0;
        for (const auto& [id, image] : service->images())
            bytes += image.data().size();
        benchmark::DoNotOptimize(service);
    }
    state.counters["heldKB"] = bytes / 1024.0;
    state.counters["residentAddedKB"] = added;
}
BENCHMARK(PreviewsHeld)->Iterations(1)->Unit(benchmark::kMillisecond);

// One rebuild over 16 Spaces of 30 windows: no search, and a search that only window titles match.
void OverviewRebuild(benchmark::State& state)
{
    PreviewSetup setup(16, 30);
    SpaceWatcher watcher(setup.scheduler);
    SpaceStore store(setup.scheduler, setup.dir.filePath("spaces.json"));
    ThumbnailService thumbnails(setup.scheduler, setup.dir.filePath("Thumbnails"));
    SpaceContents contents(setup.scheduler);
    OverlayViewModel model(setup.scheduler, watcher, store, thumbnails, contents);
    watcher.start();
    contents.refresh();
    setup.scheduler.advance(SpaceContents::kPassDelay);
    contents.waitForReading();
    setup.scheduler.runPending();
    if (state.range(0))
        model.setQuery(QStringLiteral("report 29 of space 16"));
    for (auto _ : state)
        model.rebuild();
    state.counters["tiles"] = double(model.allTiles().size());
}
BENCHMARK(OverviewRebuild)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
