#include "Core/Spaces/SpaceProvider.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Platform/Sim/SimPlatform.h"
#include "Platform/VirtualScheduler.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace lumivast;

namespace {

std::shared_ptr<SimWorld> worldOf(int displays, int spacesPerDisplay)
{
    auto world = std::make_shared<SimWorld>();
    std::uint64_t managed = 1;
    for (int d = 0; d < displays; ++d) {
        SimWorld::Display display;
        display.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        display.identifier = d == 0 ? QStringLiteral("Main") : display.uuid;
        display.main = d == 0;
        display.number = std::uint32_t(d + 1);
        display.frame = QRectF(1512.0 * d, 0, 1512, 982);
        for (int s = 0; s < spacesPerDisplay; ++s) {
            SimWorld::SimSpace space;
            space.managedID = managed++;
            space.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
            space.fullscreen = s % 5 == 4;
            if (space.fullscreen)
                space.pid = 500 + s;
            display.spaces.push_back(space);
        }
        display.current = display.spaces.front().managedID;
        world->displays.push_back(std::move(display));
    }
    world->setSpacesPreferencesPath({}); // no file traffic in the measurements
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
