#include "Core/Spaces/SpaceContents.h"

#include "Platform/Sim/SimWindowList.h"
#include "tests/support/SimWorldTest.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <future>

using namespace lumivast;
using lumivast::test::SimWorldTest;

namespace {

using WindowInfo = SpaceContents::WindowInfo;
using AppOnSpace = SpaceContents::AppOnSpace;

const char* kContentsWorld = R"({
  "displays": [ { "identifier": "Main", "main": true, "current": 3,
                  "spaces": [ {"managedID": 3}, {"managedID": 5}, {"managedID": 7} ] } ],
  "apps": [ {"pid": 401, "bundleID": "org.example.browser", "name": "Browser"},
            {"pid": 402, "bundleID": "org.example.editor", "name": "Editor"},
            {"pid": 403, "bundleID": "org.example.menu", "name": "Menu Tool", "policy": "accessory"},
            {"pid": 404, "bundleID": "org.example.agent", "name": "Agent", "policy": "prohibited"},
            {"pid": 405, "bundleID": "", "name": ""} ],
  "windows": [ {"id": 11, "pid": 402, "title": "notes", "frame": {"x": 10, "y": 20, "w": 60, "h": 60}, "spaces": [3]},
               {"id": 12, "pid": 401, "title": "Start", "frame": {"x": 0, "y": 0, "w": 900, "h": 700}, "spaces": [3]},
               {"id": 13, "pid": 401, "title": "Docs", "frame": {"x": 5, "y": 5, "w": 900, "h": 700}, "spaces": [5]},
               {"id": 14, "pid": 402, "title": "todo", "frame": {"x": 5, "y": 5, "w": 500, "h": 400}, "spaces": [3]},
               {"id": 15, "pid": 405, "frame": {"x": 1, "y": 2, "w": 300, "h": 300}, "spaces": [7]} ]
})";

class SpaceContentsTest : public SimWorldTest {
protected:
    SpaceContentsTest() { install(worldFrom(kContentsWorld)); }

    // One pass: the delay, the reading on the worker, the publishing.
    void pass()
    {
        scheduler.advance(SpaceContents::kPassDelay);
        contents.waitForReading();
        scheduler.runPending();
    }

    void addWindow(std::uint32_t id, std::int32_t pid, std::vector<std::uint64_t> spaces, QRectF frame = QRectF(0, 0, 400, 300))
    {
        SimWorld::Window w;
        w.id = id;
        w.pid = pid;
        w.frame = frame;
        w.spaces = std::move(spaces);
        world->windows.push_back(w);
    }

    static std::vector<std::uint32_t> ids(const std::vector<WindowInfo>& windows)
    {
        std::vector<std::uint32_t> result;
        for (const WindowInfo& w : windows)
            result.push_back(w.id);
        return result;
    }

    SpaceContents contents{scheduler};
};

TEST_F(SpaceContentsTest, GroupsWindowsAndAppsByManagedSpace)
{
    contents.refresh();
    pass();

    EXPECT_EQ(ids(contents.windows()), (std::vector<std::uint32_t>{11, 12, 13, 14, 15}));
    const WindowInfo& first = contents.windows().front();
    EXPECT_EQ(first, (WindowInfo{11, 402, QStringLiteral("org.example.editor"), "Editor", "notes", QRectF(10, 20, 60, 60), 3}));

    // Apps by their first window on each Space; the browser is listed on 3 and 5 with only that Space's windows.
    const SpaceContents::AppsBySpace expected{
        {3, {AppOnSpace{402, QStringLiteral("org.example.editor"), "Editor", {11, 14}},
             AppOnSpace{401, QStringLiteral("org.example.browser"), "Browser", {12}}}},
        {5, {AppOnSpace{401, QStringLiteral("org.example.browser"), "Browser", {13}}}},
        {7, {AppOnSpace{405, std::nullopt, "App", {15}}}},
    };
    EXPECT_EQ(contents.appsBySpace(), expected);

    EXPECT_EQ(ids(contents.windows(3)), (std::vector<std::uint32_t>{11, 12, 14}));
    EXPECT_TRUE(contents.windows(9).empty());

    // Neither a localized name nor an owner name nor a title.
    const WindowInfo unnamed = contents.windows(7).front();
    EXPECT_EQ(unnamed.appName, "App");
    EXPECT_EQ(unnamed.title, "");
    EXPECT_EQ(unnamed.bundleID, std::nullopt);
}

TEST_F(SpaceContentsTest, ListsOnlyOrdinaryWindowsOfOtherRegularApps)
{
    const std::int32_t self = std::int32_t(QCoreApplication::applicationPid());
    world->apps.push_back({self, QStringLiteral("org.lumivast.app"), QStringLiteral("Lumivast"), QStringLiteral("regular")});
    world->windows.clear();
    struct Case {
        std::uint32_t id;
        std::int32_t pid;
        QSizeF size;
        std::optional<double> alpha;
        int layer;
        std::vector<std::uint64_t> spaces;
        bool listed;
    };
    const Case cases[] = {
        {1, 401, {60, 60}, std::nullopt, 0, {3}, true},   // exactly the minimum, no alpha entry
        {2, 401, {59.9, 400}, std::nullopt, 0, {3}, false},
        {3, 401, {400, 59.9}, std::nullopt, 0, {3}, false},
        {4, 401, {400, 400}, 0.01, 0, {3}, false},
        {5, 401, {400, 400}, 0.02, 0, {3}, true},
        {6, 401, {400, 400}, 0.0, 0, {3}, false},
        {7, 401, {400, 400}, std::nullopt, 3, {3}, false},   // not the normal window layer
        {8, 403, {400, 400}, std::nullopt, 0, {3}, false},   // accessory app
        {9, 404, {400, 400}, std::nullopt, 0, {3}, false},   // prohibited app
        {10, self, {400, 400}, std::nullopt, 0, {3}, false}, // this process
        {11, 499, {400, 400}, std::nullopt, 0, {3}, false},  // owner no longer runs
        {12, 401, {400, 400}, std::nullopt, 0, {3, 5}, false}, // on two Spaces
        {13, 401, {400, 400}, std::nullopt, 0, {}, false},     // on none
    };
    std::vector<std::uint32_t> expected;
    for (const Case& c : cases) {
        addWindow(c.id, c.pid, c.spaces, QRectF(QPointF(0, 0), c.size));
        world->windows.back().alpha = c.alpha;
        world->windows.back().layer = c.layer;
        if (c.listed)
            expected.push_back(c.id);
    }

    contents.refresh();
    pass();
    EXPECT_EQ(ids(contents.windows()), expected);
    std::vector<std::uint32_t> inApps;
    for (const auto& [space, apps] : contents.appsBySpace()) {
        for (const AppOnSpace& app : apps)
            inApps.insert(inApps.end(), app.windowIDs.begin(), app.windowIDs.end());
    }
    EXPECT_EQ(inApps, expected);
}

TEST_F(SpaceContentsTest, SkipsIllTypedEntriesAndEmptiesOnNoList)
{
    contents.refresh();
    pass();
    ASSERT_FALSE(contents.windows().empty());

    // Entries as the window server might hand them: only the last is well formed.
    auto entry = [](PlistValue layer, PlistValue pid, PlistValue number, PlistValue bounds) {
        return PlistValue::dict({{WindowListKey::layer, layer}, {WindowListKey::ownerPID, pid},
                                 {WindowListKey::number, number}, {WindowListKey::bounds, bounds}});
    };
    const PlistValue bounds = PlistValue::dict({{"X", 1.0}, {"Y", 2.0}, {"Width", 300.0}, {"Height", 200.0}});
    world->windowListOverride = PlistValue::array({
        entry(PlistValue("0"), PlistValue(401), PlistValue(12), bounds),
        entry(PlistValue(0), PlistValue("401"), PlistValue(12), bounds),
        entry(PlistValue(0), PlistValue(401), PlistValue(), bounds),
        entry(PlistValue(0), PlistValue(401), PlistValue(12), PlistValue::dict({{"Width", 300.0}})),
        entry(PlistValue(0), PlistValue(401), PlistValue(12), PlistValue("300x200")),
        PlistValue::dict({{WindowListKey::ownerPID, PlistValue(401)}, {WindowListKey::number, PlistValue(12)}, {WindowListKey::bounds, bounds}}),
        entry(PlistValue(0), PlistValue(401), PlistValue(12), bounds),
    });
    QSignalSpy windowsChanged(&contents, &SpaceContents::windowsChanged);
    contents.refresh();
    pass();
    ASSERT_EQ(contents.windows().size(), 1u);
    EXPECT_EQ(contents.windows().front().frame, QRectF(1, 2, 300, 200));
    EXPECT_EQ(contents.windows().front().title, "");
    EXPECT_EQ(windowsChanged.count(), 1);

    // A list that is not all dictionaries counts as no list.
    world->windowListOverride = PlistValue::array({bounds, PlistValue(3)});
    contents.refresh();
    pass();
    EXPECT_TRUE(contents.windows().empty());
    EXPECT_TRUE(contents.appsBySpace().empty());

    world->windowListOverride.reset();
    contents.refresh();
    pass();
    world->windowListOverride = PlistValue(); // no list at all
    contents.refresh();
    pass();
    EXPECT_TRUE(contents.windows().empty());
    EXPECT_TRUE(contents.appsBySpace().empty());
}

TEST_F(SpaceContentsTest, ReportsOnlyWindowsNewSinceThePreviousPass)
{
    std::vector<std::vector<std::uint32_t>> reports;
    contents.onNewWindows = [&](const std::vector<WindowInfo>& windows) { reports.push_back(ids(windows)); };

    contents.refresh();
    pass();
    EXPECT_TRUE(reports.empty()) << "windows present at the first pass are never new";

    addWindow(21, 402, {5});
    addWindow(22, 401, {3});
    contents.refresh();
    pass();
    EXPECT_EQ(reports, (std::vector<std::vector<std::uint32_t>>{{21, 22}}));

    contents.refresh();
    pass();
    EXPECT_EQ(reports.size(), 1u);

    // A window number that disappears and comes back is not reported again.
    const SimWorld::Window back = *world->window(21);
    std::erase_if(world->windows, [](const SimWorld::Window& w) { return w.id == 21; });
    contents.refresh();
    pass();
    world->windows.push_back(back);
    addWindow(23, 401, {7});
    contents.refresh();
    pass();
    EXPECT_EQ(reports, (std::vector<std::vector<std::uint32_t>>{{21, 22}, {23}}));
}

TEST_F(SpaceContentsTest, RequestsWithinTheDelayMakeOnePass)
{
    for (int i = 0; i < 10; ++i) {
        contents.refresh();
        scheduler.advance(14ms);
    }
    scheduler.advance(SpaceContents::kPassDelay);
    contents.waitForReading();
    scheduler.runPending();
    EXPECT_EQ(world->windowList().reads(), 1);

    // Requests while the reading is in flight are dropped as well.
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    world->windowList().duringRead = [released] { released.wait(); };
    contents.refresh();
    scheduler.advance(SpaceContents::kPassDelay);
    contents.refresh();
    release.set_value();
    contents.waitForReading();
    world->windowList().duringRead = nullptr;
    contents.refresh();
    scheduler.runPending();
    scheduler.advance(1000ms);
    contents.waitForReading();
    EXPECT_EQ(world->windowList().reads(), 2);

    // Once published, the next request makes a new pass, 0.15 s later and not before.
    contents.refresh();
    scheduler.advance(SpaceContents::kPassDelay - 1ms);
    contents.waitForReading();
    EXPECT_EQ(world->windowList().reads(), 2);
    scheduler.advance(1ms);
    contents.waitForReading();
    EXPECT_EQ(world->windowList().reads(), 3);
}

// Under ThreadSanitizer (scripts/sanitize thread) a change of the world outside its lock
// while the worker reads it is reported, whichever thread happens to come first.
TEST_F(SpaceContentsTest, SwitchingOnTheMainThreadWhileTheWorkerReadsTheWindowList)
{
    std::promise<void> entered;
    std::future<void> reading = entered.get_future();
    world->windowList().duringRead = [&entered] { entered.set_value(); };
    contents.refresh();
    scheduler.advance(SpaceContents::kPassDelay);
    reading.wait();
    for (std::uint64_t managed : {5u, 7u, 3u})
        ASSERT_TRUE(world->switchSpace(QStringLiteral("Main"), managed));
    contents.waitForReading();
    world->windowList().duringRead = nullptr;
    scheduler.runPending();
    EXPECT_EQ(world->windowList().reads(), 1);
    EXPECT_EQ(ids(contents.windows(5)), std::vector<std::uint32_t>{13});
}

TEST_F(SpaceContentsTest, PublishesOnlyWhatChanged)
{
    QSignalSpy appsChanged(&contents, &SpaceContents::appsBySpaceChanged);
    QSignalSpy windowsChanged(&contents, &SpaceContents::windowsChanged);
    contents.refresh();
    pass();
    EXPECT_EQ(appsChanged.count(), 1);
    EXPECT_EQ(windowsChanged.count(), 1);

    contents.refresh();
    pass();
    EXPECT_EQ(appsChanged.count(), 1);
    EXPECT_EQ(windowsChanged.count(), 1);

    // A new title changes the windows but not the apps.
    world->window(12)->title = QStringLiteral("Renamed");
    contents.refresh();
    pass();
    EXPECT_EQ(appsChanged.count(), 1);
    EXPECT_EQ(windowsChanged.count(), 2);
}

TEST_F(SpaceContentsTest, StartRefreshesAtOnceOnWorkspaceEventsAndEvery4Seconds)
{
    contents.start();
    pass();
    EXPECT_EQ(world->windowList().reads(), 1);

    for (WorkspaceEvent event : {WorkspaceEvent::DidLaunchApplication, WorkspaceEvent::DidTerminateApplication,
                                 WorkspaceEvent::ActiveSpaceDidChange, WorkspaceEvent::DidActivateApplication}) {
        const int before = world->windowList().reads();
        world->postWorkspaceEvent(event);
        pass();
        EXPECT_EQ(world->windowList().reads(), before + 1);
    }

    const int before = world->windowList().reads();
    for (int tick = 0; tick < 3; ++tick) {
        scheduler.advance(SpaceContents::kRefreshInterval);
        pass();
    }
    EXPECT_EQ(world->windowList().reads(), before + 3);

    contents.start(); // only the first call counts
    world->postWorkspaceEvent(WorkspaceEvent::DidLaunchApplication);
    pass();
    EXPECT_EQ(world->windowList().reads(), before + 4);
}

TEST_F(SpaceContentsTest, ResultsOfAPassOutlivingTheInstanceAreDropped)
{
    auto doomed = std::make_unique<SpaceContents>(scheduler);
    bool called = false;
    doomed->onNewWindows = [&](const std::vector<WindowInfo>&) { called = true; };
    doomed->refresh();
    scheduler.advance(SpaceContents::kPassDelay);
    doomed.reset(); // joins the worker; its results are still queued
    EXPECT_GE(scheduler.pendingCount(), 1u);
    scheduler.runPending();
    EXPECT_FALSE(called);
}

TEST_F(SpaceContentsTest, IconsOfRunningAppsAndPlaceholders)
{
    EXPECT_FALSE((AppOnSpace{401, std::nullopt, "Browser", {}}.icon().isNull()));
    EXPECT_TRUE((AppOnSpace{499, std::nullopt, "Gone", {}}.icon().isNull()));
    EXPECT_TRUE((AppOnSpace{-1, std::nullopt, "Placeholder", {}}.icon().isNull()));
    EXPECT_FALSE((AppOnSpace{-1, QStringLiteral("org.example.editor"), "Editor", {}}.icon().isNull()));
    EXPECT_TRUE((AppOnSpace{-2, QStringLiteral("org.example.missing"), "Missing", {}}.icon().isNull()));
}

} // namespace
