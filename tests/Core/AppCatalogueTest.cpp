#include "Core/Apps/AppCatalogue.h"
#include "Core/Spaces/SpaceContents.h"
#include "Platform/Sim/SimEvents.h"
#include "tests/support/SimWorldTest.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace lumivast;
using test::SimWorldTest;

namespace {

// Folders with duplicates, a subfolder, capitals, a plain file, a hidden
// entry, a folder that cannot be read and names that sort case-blind.
const char* const kInstalled = R"({
  "displays": [ {"spaces": [ {"managedID": 1}, {"managedID": 2} ], "current": 1} ],
  "apps": [ {"pid": 10, "bundleID": "org.example.editor", "name": "Editor"},
            {"pid": 11, "bundleID": "org.example.twin", "name": "Twin"},
            {"pid": 12, "bundleID": "org.example.twin", "name": "Twin"},
            {"pid": 13, "bundleID": "org.example.idle", "name": "Idle"} ],
  "windows": [ {"id": 1, "pid": 10, "title": "a", "spaces": [1]},
               {"id": 2, "pid": 11, "title": "b", "spaces": [2]},
               {"id": 3, "pid": 12, "title": "c", "spaces": [1]},
               {"id": 4, "pid": 13, "title": "d", "spaces": [2]} ],
  "installed": [
    {"path": "/Applications/zoom.app", "bundleID": "org.example.zoom"},
    {"path": "/Applications/Xcode.app", "bundleID": "org.example.xcode"},
    {"path": "/Applications/Editor.app", "bundleID": "org.example.editor"},
    {"path": "/Applications/Twin.app", "bundleID": "org.example.twin"},
    {"path": "/Applications/Idle.app", "bundleID": "org.example.idle"},
    {"path": "/Applications/Shouting.APP", "bundleID": "org.example.shouting"},
    {"path": "/Applications/readme.txt"},
    {"path": "/Applications/Plain.app"},
    {"path": "/Applications/.Hidden.app", "bundleID": "org.example.hidden"},
    {"path": "/Applications/Games/Chess.app", "bundleID": "org.example.chess"},
    {"path": "/Applications/Utilities/Console.app", "bundleID": "org.example.console"},
    {"path": "/System/Applications/Calendar.app", "bundleID": "org.example.calendar"},
    {"path": "/System/Applications/ZZZ.app", "bundleID": "org.example.zzz"},
    {"path": "/System/Applications/Editor.app", "bundleID": "org.example.system-editor"},
    {"path": "/System/Applications/Utilities/Calculator.app", "bundleID": "org.example.calculator"},
    {"path": "/Library/Elsewhere/Far.app", "bundleID": "org.example.far"},
    {"path": "~/Applications/Xcode.app", "bundleID": "org.example.home-xcode"},
    {"path": "~/Applications/Mine.app", "bundleID": "org.example.mine"},
    {"path": "/Secret/Applications/Nope.app", "bundleID": "org.example.nope"} ],
  "unreadableFolders": ["/Applications/Utilities"]
})";

class AppCatalogueTest : public SimWorldTest {
protected:
    AppCatalogueTest() { install(worldFrom(kInstalled)); }

    void readContents()
    {
        contents.refresh();
        scheduler.advance(SpaceContents::kPassDelay);
        contents.waitForReading();
        scheduler.runPending();
    }

    const std::vector<std::pair<std::int32_t, InputEvent>>& keys() const { return world->events().postedToProcesses(); }

    SpaceContents contents{scheduler};
};

TEST_F(AppCatalogueTest, ListsBundlesOfTheFoldersFirstNameWinsSortedIgnoringCase)
{
    const QString home = QDir::homePath();
    EXPECT_EQ(AppCatalogue::all(), (QStringList{
                                       "/Applications/.Hidden.app",
                                       "/System/Applications/Utilities/Calculator.app",
                                       "/System/Applications/Calendar.app",
                                       "/Applications/Editor.app",
                                       "/Applications/Idle.app",
                                       home + "/Applications/Mine.app",
                                       "/Applications/Plain.app",
                                       "/Applications/Twin.app",
                                       "/Applications/Xcode.app",
                                       "/Applications/zoom.app",
                                       "/System/Applications/ZZZ.app",
                                   }));
}

TEST_F(AppCatalogueTest, ListsTheFoldersAgainOnEveryCall)
{
    const qsizetype before = AppCatalogue::all().size();
    world->installed.push_back({"/Applications/Later.app", QStringLiteral("org.example.later"), "Later"});
    world->unreadableFolders.clear();
    const QStringList after = AppCatalogue::all();
    EXPECT_EQ(after.size(), before + 2);
    EXPECT_TRUE(after.contains("/Applications/Later.app"));
    EXPECT_TRUE(after.contains("/Applications/Utilities/Console.app"));
}

TEST_F(AppCatalogueTest, OpenHereActivatesAsksForAWindowOrLaunches)
{
    constexpr quint16 kN = 45;
    constexpr quint64 kCommand = 0x100000;
    struct Case {
        const char* what;
        QString bundle;
        std::optional<int> currentSpace;
        std::optional<std::int32_t> commandNTo; // the pid that gets Command-N
        std::vector<std::int32_t> activatedAtOnce;
        std::vector<std::int32_t> activatedLater;
        QStringList launched;
    };
    const std::vector<Case> cases{
        {"window on this Space", "/Applications/Editor.app", 1, std::nullopt, {10}, {10}, {}},
        {"windows only elsewhere", "/Applications/Idle.app", 1, 13, {}, {13}, {}},
        {"no current Space known", "/Applications/Editor.app", std::nullopt, 10, {}, {10}, {}},
        // pid 12 has a window here, but only the first instance of the bundle counts.
        {"first of two instances", "/Applications/Twin.app", 1, 11, {}, {11}, {}},
        {"not running", "/Applications/zoom.app", 1, std::nullopt, {}, {}, {"/Applications/zoom.app"}},
        {"bundle without identifier", "/Applications/Plain.app", 1, std::nullopt, {}, {}, {"/Applications/Plain.app"}},
    };
    readContents();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        world->events().clearLog();
        world->activatedPIDs.clear();
        world->openedApplications.clear();

        AppCatalogue::openHere(c.bundle, contents, c.currentSpace, scheduler);
        EXPECT_EQ(world->activatedPIDs, c.activatedAtOnce);
        EXPECT_EQ(world->openedApplications, c.launched);
        if (c.commandNTo) {
            ASSERT_EQ(keys().size(), 2u);
            for (int i = 0; i < 2; ++i) {
                const auto& [pid, event] = keys()[std::size_t(i)];
                EXPECT_EQ(pid, *c.commandNTo);
                EXPECT_EQ(event.type, i == 0 ? InputEvent::Type::keyDown : InputEvent::Type::keyUp);
                EXPECT_EQ(event.keyCode, kN);
                EXPECT_EQ(event.flags, kCommand);
            }
        } else {
            EXPECT_TRUE(keys().empty());
        }

        scheduler.advance(AppCatalogue::kActivationDelay - 1ms);
        EXPECT_EQ(world->activatedPIDs, c.activatedAtOnce);
        scheduler.advance(1ms);
        if (!c.activatedAtOnce.empty())
            EXPECT_EQ(world->activatedPIDs, c.activatedAtOnce);
        else
            EXPECT_EQ(world->activatedPIDs, c.activatedLater);
    }
}

TEST_F(AppCatalogueTest, LaunchingAnInstalledAppMakesItRun)
{
    AppCatalogue::openHere("/Applications/zoom.app", contents, 1, scheduler);
    const auto running = Platform::current().runningApplications().runningApplications();
    const auto zoom = std::find_if(running.begin(), running.end(),
                                   [](const RunningApplication& app) { return app.bundleID == "org.example.zoom"; });
    ASSERT_NE(zoom, running.end());
    EXPECT_EQ(world->frontmostPID, zoom->pid);
}

TEST_F(AppCatalogueTest, RefusedKeyEventsAreSkippedAndTheAppIsStillActivated)
{
    world->events().refuseEvents = true;
    readContents();
    AppCatalogue::openHere("/Applications/Idle.app", contents, 1, scheduler);
    EXPECT_TRUE(keys().empty());
    scheduler.advance(AppCatalogue::kActivationDelay);
    EXPECT_EQ(world->activatedPIDs, (std::vector<std::int32_t>{13}));
    scheduler.advance(1s); // nothing else is on its way
    EXPECT_EQ(world->activatedPIDs, (std::vector<std::int32_t>{13}));
}

} // namespace
