#include "BenchWorld.h"
#include "Core/Automation/AutomationRunner.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceStore.h"
#include "Platform/Sim/SimDock.h"
#include "Platform/Sim/SimPlatform.h"
#include "Platform/Sim/SimProcesses.h"
#include "Platform/UserDefaults.h"
#include "Platform/VirtualScheduler.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace lumivast;

namespace {

Space desktop(const char* id, int number)
{
    Space space;
    space.id = QString::fromLatin1(id);
    space.managedID = number;
    space.displayID = QStringLiteral("Main");
    space.desktopNumber = number;
    space.indexOnDisplay = number - 1;
    return space;
}

// Everything an automation can do, on leaving and on entering.
SpaceAutomation fullAutomation()
{
    SpaceAutomation a;
    a.launchApps = {QStringLiteral("/Applications/Editor.app"), QStringLiteral("/Applications/Paint.app")};
    a.openURLs = {QStringLiteral("https://example.org/board"), QStringLiteral("~/Documents/plan.md")};
    a.launchOnce = false;
    a.shortcutOnEnter = QStringLiteral("Enter");
    a.shortcutOnLeave = QStringLiteral("Leave");
    a.scriptOnEnter = QStringLiteral("true");
    a.scriptOnLeave = QStringLiteral("true");
    a.keystrokeOnEnter = QStringLiteral("cmd+shift+k");
    a.hideOtherApps = true;
    a.browserApp = QStringLiteral("org.lumivast.sim.browser");
    a.browserProfile = QStringLiteral("Work");
    return a;
}

// The main thread's share of one Space change with a full automation: the
// leave and enter shortcuts and commands (real login shells, started on the
// runner's queue), and the scheduling of the browser, apps, URLs, hiding and
// keystroke. The queued starts and the delayed steps run outside the timing.
void AutomationSpaceChange(benchmark::State& state)
{
    QTemporaryDir dir;
    UserDefaults defaults(QStringLiteral("bench"));
    UserDefaults::setStandard(&defaults);
    Settings::registerDefaults();
    auto world = SimWorld::defaultWorld();
    world->shortcuts().names = QStringList{QStringLiteral("Enter"), QStringLiteral("Leave")};
    Platform::install(SimPlatform::create(world));
    VirtualScheduler scheduler;
    world->dock().setScheduler(scheduler);
    SpaceStore store(scheduler, dir.filePath(QStringLiteral("spaces.json")));
    store.setAutomation(fullAutomation(), QStringLiteral("S1"));
    store.setAutomation(fullAutomation(), QStringLiteral("S2"));
    AutomationRunner runner(store, scheduler);
    const Space one = desktop("S1", 1), two = desktop("S2", 2);
    bool forth = true;
    for (auto _ : state) {
        runner.spaceChanged(forth ? one : two, forth ? two : one);
        state.PauseTiming();
        forth = !forth;
        runner.waitForProcessStarts();
        scheduler.advance(500ms);
        state.ResumeTiming();
    }
    UserDefaults::setStandard(nullptr);
}
BENCHMARK(AutomationSpaceChange)->Iterations(bench::sized(40))->Unit(benchmark::kMicrosecond);

// The delayed steps of one change on the simulated system: browser, apps and URLs, hiding, keystroke.
void AutomationDelayedSteps(benchmark::State& state)
{
    QTemporaryDir dir;
    UserDefaults defaults(QStringLiteral("bench"));
    UserDefaults::setStandard(&defaults);
    Settings::registerDefaults();
    auto world = SimWorld::defaultWorld();
    world->childProcesses = std::make_shared<RecordingChildProcesses>();
    world->shortcuts().names = QStringList{QStringLiteral("Enter"), QStringLiteral("Leave")};
    Platform::install(SimPlatform::create(world));
    VirtualScheduler scheduler;
    world->dock().setScheduler(scheduler);
    SpaceStore store(scheduler, dir.filePath(QStringLiteral("spaces.json")));
    store.setAutomation(fullAutomation(), QStringLiteral("S2"));
    AutomationRunner runner(store, scheduler);
    const Space one = desktop("S1", 1), two = desktop("S2", 2);
    for (auto _ : state) {
        state.PauseTiming();
        runner.spaceChanged(one, two);
        runner.waitForProcessStarts();
        state.ResumeTiming();
        scheduler.advance(500ms);
    }
    UserDefaults::setStandard(nullptr);
}
BENCHMARK(AutomationDelayedSteps)->Unit(benchmark::kMicrosecond);

// What one detached start of a login shell costs the thread that makes it.
void DetachedLoginShellStart(benchmark::State& state)
{
    QtChildProcesses processes;
    for (auto _ : state)
        benchmark::DoNotOptimize(processes.startDetached(QStringLiteral("/bin/zsh"), {QStringLiteral("-lc"), QStringLiteral("true")}, {}));
}
BENCHMARK(DetachedLoginShellStart)->Iterations(bench::sized(40))->Unit(benchmark::kMicrosecond);

} // namespace
