#include "BenchWorld.h"
#include "Core/Spaces/SpaceProvider.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Platform/Sim/SimPlatform.h"
#include "Platform/VirtualScheduler.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace lumivast;

namespace {

// Every fifth desktop is an app's full-screen Space.
std::shared_ptr<SimWorld> worldOf(int displays, int spacesPerDisplay)
{
    auto world = bench::spreadWorld({.displays = displays, .spacesPerDisplay = spacesPerDisplay});
    for (SimWorld::Display& display : world->displays) {
        for (int s = 0; s < spacesPerDisplay; ++s) {
            SimWorld::SimSpace& space = display.spaces[std::size_t(s)];
            space.fullscreen = s % 5 == 4;
            if (space.fullscreen)
                space.pid = 500 + s;
        }
    }
    return world;
}

void ProviderSnapshot(benchmark::State& state)
{
    auto world = worldOf(int(state.range(0)), int(state.range(1)));
    Platform::install(SimPlatform::create(world));
    VirtualScheduler clock;
    for (auto _ : state)
        benchmark::DoNotOptimize(SpaceProvider::snapshot(clock));
}
BENCHMARK(ProviderSnapshot)->Args({1, 4})->Args({4, 16});

// A window-server notification through to the published snapshot.
void WatcherSignalToPublish(benchmark::State& state)
{
    auto world = worldOf(int(state.range(0)), int(state.range(1)));
    Platform::install(SimPlatform::create(world));
    VirtualScheduler scheduler;
    QTemporaryDir dir;
    SpaceWatcher watcher(scheduler, dir.filePath(QStringLiteral("absent.plist")));
    int published = 0;
    watcher.onSnapshot = [&](const SpaceSnapshot&) { ++published; };
    watcher.start();
    auto& main = world->displays.front();
    std::size_t next = 0;
    for (auto _ : state) {
        next = (next + 1) % main.spaces.size();
        main.current = main.spaces[next].managedID;
        world->postWindowServerEvent(1401);
        scheduler.advance(SpaceWatcher::kDebounce);
    }
    state.counters["published"] = published;
}
BENCHMARK(WatcherSignalToPublish)->Args({1, 4})->Args({4, 16});

} // namespace
