#include "BenchWorld.h"
#include "Core/Previews/ThumbnailService.h"
#include "Core/Shell/SetupCheck.h"
#include "Core/Time/TimeTracker.h"
#include "Platform/SerialQueue.h"
#include "UI/Settings/SettingsServices.h"
#include "UI/Settings/SettingsWindow.h"
#include "UI/Settings/SpaceEditor.h"
#include "UI/Settings/SpacesPane.h"
#include "UI/Settings/StatsPane.h"

#include <QApplication>
#include <QFile>
#include <QLayout>
#include <QPushButton>
#include <QListWidget>

#include <benchmark/benchmark.h>

using namespace lumivast;

namespace {

class CancellingPanels final : public FilePanels {
protected:
    void showOpen(const OpenPanelRequest&, Opened opened) override { opened(std::nullopt); }
    void showSave(const SavePanelRequest&, Saved saved) override { saved(std::nullopt); }
};

// `displays` displays of `perDisplay` named desktops with a window each.
struct Setup {
    Setup(int displays, int perDisplay)
        : env(bench::spreadWorld({.displays = displays, .spacesPerDisplay = perDisplay, .apps = 4, .windowsPerSpace = 1}))
    {
        tracker = std::make_unique<TimeTracker>(env.scheduler, env.path("stats.json"));
        thumbnails = std::make_unique<ThumbnailService>(env.scheduler, env.path("thumbs"));
        env.watcher->start();
        for (const Space& space : env.watcher->snapshot().allSpaces()) {
            env.store->setName(QStringLiteral("Space %1").arg(space.managedID), space.id);
            env.store->setColor(QStringLiteral("#4F7BF7"), space.id);
        }
        services = std::make_unique<SettingsServices>(*env.watcher, *env.store, *tracker, *thumbnails, env.scheduler, panels);
    }
    ~Setup()
    {
        SpaceEditor::shortcutQueue().waitUntilIdle();
        env.scheduler.runPending();
        services.reset();
    }

    bench::BenchEnv env;
    CancellingPanels panels;
    std::unique_ptr<TimeTracker> tracker;
    std::unique_ptr<ThumbnailService> thumbnails;
    std::unique_ptr<SettingsServices> services;
};

// Lays out what the last change left for the event loop, as the first frame would.
void settle(QWidget* window)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    if (window->layout())
        window->layout()->activate();
    QCoreApplication::processEvents();
}

// The first opening: the window, its sidebar and the General pane, shown and laid out.
void SettingsFirstOpening(benchmark::State& state)
{
    Setup setup(1, 4);
    for (auto _ : state) {
        SettingsWindowController controller(*setup.services);
        controller.show();
        settle(controller.window());
        benchmark::DoNotOptimize(controller.window()->pane());
        state.PauseTiming();
        controller.window()->hide();
        state.ResumeTiming();
    }
}
BENCHMARK(SettingsFirstOpening)->Unit(benchmark::kMillisecond);

// One tab change into the given tab: the other pane destroyed, this one built and laid out.
void SettingsTabSwitch(benchmark::State& state)
{
    Setup setup(2, 8);
    const auto tab = SettingsTab(state.range(0));
    const SettingsTab other = tab == SettingsTab::general ? SettingsTab::windows : SettingsTab::general;
    SettingsWindowController controller(*setup.services);
    controller.show(other);
    settle(controller.window());
    for (auto _ : state) {
        controller.navigation().setTab(tab);
        settle(controller.window());
        benchmark::DoNotOptimize(controller.window()->pane());
        state.PauseTiming();
        controller.navigation().setTab(other);
        settle(controller.window());
        SpaceEditor::shortcutQueue().waitUntilIdle();
        setup.env.scheduler.runPending();
        state.ResumeTiming();
    }
    state.SetLabel(rawValue(tab).toStdString());
}
BENCHMARK(SettingsTabSwitch)
    ->Arg(int(SettingsTab::general))
    ->Arg(int(SettingsTab::spaces))
    ->Arg(int(SettingsTab::windows))
    ->Arg(int(SettingsTab::profiles))
    ->Arg(int(SettingsTab::shortcuts))
    ->Arg(int(SettingsTab::appearance))
    ->Arg(int(SettingsTab::overview))
    ->Arg(int(SettingsTab::stats))
    ->Arg(int(SettingsTab::setup))
    ->Arg(int(SettingsTab::backup))
    ->Unit(benchmark::kMillisecond);

// Into the Time tab with a record of 30 days of 64 Spaces: every row, bar and total built and laid out.
void SettingsTimeTabFullRecord(benchmark::State& state)
{
    Setup setup(4, 16);
    TimeTracker::Record record;
    const QDateTime now = setup.env.scheduler.wallNow();
    int n = 0;
    for (int day = 0; day < 30; ++day) {
        auto& spaces = record[setup.tracker->dayKey(now.addDays(-day))];
        for (const Space& space : setup.env.watcher->snapshot().allSpaces())
            spaces[space.id] = 60.0 * (1 + (n++ % 97));
    }
    const QString statsPath = setup.env.path("stats.json");
    QFile file(statsPath);
    file.open(QIODevice::WriteOnly);
    file.write(TimeTracker::encode(record));
    file.close();
    setup.services.reset();
    setup.tracker = std::make_unique<TimeTracker>(setup.env.scheduler, statsPath);
    setup.services = std::make_unique<SettingsServices>(*setup.env.watcher, *setup.env.store, *setup.tracker,
                                                        *setup.thumbnails, setup.env.scheduler, setup.panels);
    SettingsWindowController controller(*setup.services);
    controller.show(SettingsTab::general);
    settle(controller.window());
    for (auto _ : state) {
        controller.navigation().setTab(SettingsTab::stats);
        settle(controller.window());
        auto* pane = qobject_cast<StatsPane*>(controller.window()->pane());
        pane->periodButton(2)->click(); // the last 30 days: all 64 rows
        settle(controller.window());
        benchmark::DoNotOptimize(pane->rows().size());
        state.PauseTiming();
        state.counters["rows"] = double(pane->rows().size());
        controller.navigation().setTab(SettingsTab::general);
        settle(controller.window());
        state.ResumeTiming();
    }
}
BENCHMARK(SettingsTimeTabFullRecord)->Unit(benchmark::kMillisecond);

// One evaluation of the setup checklist on the simulated system, as the Setup pane runs it every 2 s on the main thread.
void SettingsSetupChecks(benchmark::State& state)
{
    Setup setup(1, 4);
    for (auto _ : state)
        benchmark::DoNotOptimize(SetupCheck::all());
}
BENCHMARK(SettingsSetupChecks)->Unit(benchmark::kMicrosecond);

// The Spaces list rebuilt for a new snapshot of four displays of sixteen Spaces, the editor kept.
void SettingsSpacesRedraw(benchmark::State& state)
{
    Setup setup(4, 16);
    SettingsWindowController controller(*setup.services);
    controller.show(SettingsTab::spaces);
    settle(controller.window());
    auto* pane = qobject_cast<SpacesPane*>(controller.window()->pane());
    const SpaceEditor* editor = pane->editor();
    const std::uint64_t first = setup.env.world->displays.front().spaces[0].managedID;
    const std::uint64_t second = setup.env.world->displays.front().spaces[5].managedID;
    bool flip = false;
    for (auto _ : state) {
        state.PauseTiming();
        flip = !flip;
        setup.env.world->switchSpace(QStringLiteral("Main"), flip ? second : first);
        setup.env.scheduler.advance(SpaceWatcher::kDebounce);
        state.ResumeTiming();
        setup.services->snapshots.send();
        settle(controller.window());
    }
    state.counters["rows"] = pane->list()->count();
    state.counters["editorKept"] = pane->editor() == editor ? 1 : 0;
}
BENCHMARK(SettingsSpacesRedraw)->Unit(benchmark::kMillisecond);

} // namespace
