#include "BenchWorld.h"
#include "Core/Spaces/SpaceContents.h"
#include "Platform/Sim/SimPlatform.h"
#include "Platform/VirtualScheduler.h"

#include <benchmark/benchmark.h>

using namespace lumivast;

namespace {

// One display with `spaces` desktops and `windows` windows of 20 apps spread over them.
std::shared_ptr<SimWorld> crowdedWorld(int spaces, int windows)
{
    auto world = std::make_shared<SimWorld>();
    bench::addOneDisplay(*world, QStringLiteral("Main"), spaces);
    bench::addApps(*world, 20, 1000);
    for (int w = 0; w < windows; ++w) {
        SimWorld::Window window;
        window.id = std::uint32_t(5000 + w);
        window.pid = 1000 + w % 20;
        window.title = QStringLiteral("Window %1").arg(w);
        window.frame = QRectF(10 * (w % 50), 10 * (w % 40), 640, 480);
        window.spaces = {std::uint64_t(1 + w % spaces)};
        window.alpha = 1.0;
        world->windows.push_back(std::move(window));
    }
    world->setSpacesPreferencesPath({});
    return world;
}

// Reading and grouping the window list (the worker's share of a pass).
void ContentsRead(benchmark::State& state)
{
    Platform::install(SimPlatform::create(crowdedWorld(int(state.range(1)), int(state.range(0)))));
    std::size_t listed = 0;
    for (auto _ : state) {
        auto reading = SpaceContents::readWindowList();
        listed = reading.windows.size();
        benchmark::DoNotOptimize(reading);
    }
    state.counters["windows"] = double(listed);
}
BENCHMARK(ContentsRead)->Args({500, 16})->Unit(benchmark::kMicrosecond);

// A whole pass: request, the worker's reading, publishing on the main thread
// (every pass publishes, as one window's title changes each time).
void ContentsPass(benchmark::State& state)
{
    auto world = crowdedWorld(int(state.range(1)), int(state.range(0)));
    Platform::install(SimPlatform::create(world));
    VirtualScheduler scheduler;
    SpaceContents contents(scheduler);
    int n = 0;
    for (auto _ : state) {
        world->windows.front().title = QStringLiteral("Title %1").arg(++n);
        contents.refresh();
        scheduler.advance(SpaceContents::kPassDelay);
        contents.waitForReading();
        scheduler.runPending();
    }
    if (contents.windows().size() != std::size_t(state.range(0)))
        state.SkipWithError("not every window was listed");
}
BENCHMARK(ContentsPass)->Args({500, 16})->Unit(benchmark::kMicrosecond);

} // namespace
