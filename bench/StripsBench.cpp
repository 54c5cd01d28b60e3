#include "Core/Previews/ThumbnailService.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceContents.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Platform/Sim/SimPlatform.h"
#include "Platform/UserDefaults.h"
#include "Platform/VirtualScheduler.h"
#include "UI/Strips/DesktopLabelController.h"
#include "UI/Strips/FloatingToolbarController.h"
#include "UI/Strips/NotchStripController.h"

#include <QTemporaryDir>
#include <QUuid>

#include <benchmark/benchmark.h>

using namespace lumivast;

namespace {

std::shared_ptr<SimWorld> twoDisplaysOf16()
{
    auto world = std::make_shared<SimWorld>();
    std::uint64_t managed = 1;
    for (int d = 0; d < 2; ++d) {
        SimWorld::Display display;
        display.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        display.identifier = display.uuid;
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
    world->setSpacesPreferencesPath({});
    return world;
}

// What one Space switch costs the strips and labels on two displays of 16
// Spaces with toolbars and labels on: the label update, the toolbar update,
// and each strip model's rebuild with its view's relayout (two toolbars and
// the notch strip).
void StripsOneSwitch(benchmark::State& state)
{
    QTemporaryDir dir;
    UserDefaults defaults{QStringLiteral("Lumivast"), dir.filePath(QStringLiteral("defaults.json"))};
    UserDefaults::setStandard(&defaults);
    Settings::registerDefaults();
    defaults.set(Settings::Key::floatingToolbar, true);
    defaults.set(Settings::Key::desktopLabel, true);
    auto world = twoDisplaysOf16();
    Platform::install(SimPlatform::create(world));
    VirtualScheduler scheduler;
    SpaceWatcher watcher(scheduler, dir.filePath(QStringLiteral("absent.plist")));
    SpaceStore store(scheduler, dir.filePath(QStringLiteral("spaces.json")));
    SpaceContents contents(scheduler);
    ThumbnailService thumbnails(scheduler, dir.filePath(QStringLiteral("Thumbnails")));
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
        world->switchSpace(mainID, std::uint64_t(1 + (++step % 16)));
        scheduler.advance(SpaceWatcher::kDebounce); // publishes; the models' rebuilds wait in the queue
        state.ResumeTiming();
        labels.update(watcher.snapshot(), store);
        toolbars.update(watcher.snapshot());
        scheduler.runPending(); // the three models' own rebuilds and relayouts
    }
}
BENCHMARK(StripsOneSwitch)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
