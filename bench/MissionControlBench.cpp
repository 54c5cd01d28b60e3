#include "BenchWorld.h"
#include "Platform/Sim/SimDock.h"
#include "Platform/Sim/SimMissionControl.h"
#include "UI/MissionControl/LabelView.h"
#include "UI/MissionControl/MissionControlLabels.h"

#include <benchmark/benchmark.h>

using namespace lumivast;

namespace {

// One tracking tick: the Dock walk, the pairing and the labels handed to the
// views (whose animation steps are not run: no painting).
void MissionControlLabelsTick(benchmark::State& state)
{
    // Mission Control open on two displays of 16 named Spaces each.
    bench::BenchEnv env(bench::spreadWorld({.displays = 2, .spacesPerDisplay = 16}));
    env.world->dockPID = 88;
    env.world->dock().setScheduler(env.scheduler);
    SpaceWatcher& watcher = *env.watcher;
    SpaceStore& store = *env.store;
    watcher.start();
    for (const Space& space : watcher.snapshot().allSpaces()) {
        store.setName(QStringLiteral("Space number %1").arg(space.managedID), space.id);
        store.setSymbol(QStringLiteral("star"), space.id);
        store.setColor(QStringLiteral("#4F7BF7"), space.id);
    }
    env.world->missionControl().openNow();
    MissionControlLabels labels(watcher, store, env.scheduler);
    labels.tick(); // panels made once, as the first tick of a run does
    for (auto _ : state)
        labels.tick();
    std::size_t shown = 0;
    for (const auto& display : watcher.snapshot().displays)
        shown += labels.panel(display.id) ? labels.panel(display.id)->labels.size() : 0;
    state.counters["labels"] = double(shown);
}
BENCHMARK(MissionControlLabelsTick)->Unit(benchmark::kMicrosecond)->Repetitions(bench::sized(5))->ReportAggregatesOnly(true);

} // namespace
