#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Platform/Sim/SimDock.h"
#include "Platform/Sim/SimMissionControl.h"
#include "Platform/Sim/SimPlatform.h"
#include "Platform/VirtualScheduler.h"
#include "UI/MissionControl/LabelView.h"
#include "UI/MissionControl/MissionControlLabels.h"

#include <QTemporaryDir>
#include <QUuid>

#include <benchmark/benchmark.h>

using namespace lumivast;

namespace {

// Mission Control open on two displays of 16 named Spaces each.
std::shared_ptr<SimWorld> openWorld(VirtualScheduler& scheduler)
{
    auto world = std::make_shared<SimWorld>();
    std::uint64_t managed = 1;
    for (int d = 0; d < 2; ++d) {
        SimWorld::Display display;
        display.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        display.identifier = d == 0 ? QStringLiteral("Main") : display.uuid;
        display.main = d == 0;
        display.number = std::uint32_t(d + 1);
        display.frame = QRectF(1512.0 * d, 0, 1512, 982);
        for (int s = 0; s < 16; ++s) {
            SimWorld::SimSpace space;
            space.managedID = managed++;
            space.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
            display.spaces.push_back(space);
        }
        display.current = display.spaces.front().managedID;
        world->displays.push_back(std::move(display));
    }
    world->dockPID = 88;
    world->setSpacesPreferencesPath({});
    world->dock().setScheduler(scheduler);
    return world;
}

// One tracking tick: the Dock walk, the pairing and the labels handed to the
// views (whose animation steps are not run: no painting).
void MissionControlLabelsTick(benchmark::State& state)
{
    QTemporaryDir dir;
    UserDefaults defaults{QStringLiteral("bench"), dir.filePath(QStringLiteral("defaults.json"))};
    UserDefaults::setStandard(&defaults);
    Settings::registerDefaults();
    VirtualScheduler scheduler;
    auto world = openWorld(scheduler);
    Platform::install(SimPlatform::create(world));
    SpaceWatcher watcher(scheduler, dir.filePath(QStringLiteral("absent.plist")));
    SpaceStore store(scheduler, dir.filePath(QStringLiteral("spaces.json")));
    watcher.start();
    for (const Space& space : watcher.snapshot().allSpaces()) {
        store.setName(QStringLiteral("Space number %1").arg(space.managedID), space.id);
        store.setSymbol(QStringLiteral("star"), space.id);
        store.setColor(QStringLiteral("#4F7BF7"), space.id);
    }
    world->missionControl().openNow();
    MissionControlLabels labels(watcher, store, scheduler);
    labels.tick(); // panels made once, as the first tick of a run does
    for (auto _ : state)
        labels.tick();
    std::size_t shown = 0;
    for (const auto& display : watcher.snapshot().displays)
        shown += labels.panel(display.id) ? labels.panel(display.id)->labels.size() : 0;
    state.counters["labels"] = double(shown);
    UserDefaults::setStandard(nullptr);
}
BENCHMARK(MissionControlLabelsTick)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
