#include "Core/Notes/NoteFiles.h"
#include "Platform/Sim/SimProcesses.h"
#include "tests/App/DelegateWiringTest.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace lumivast;
namespace K = Settings::Key;

namespace {

const QString kPlayer = QStringLiteral("/Applications/Player.app");
const QString kPage = QStringLiteral("https://example.org/start");

// The delegate on the window world: desktops S1 (current), S2 (the editor's
// two windows), S3, and the video player's full-screen F4.
class AutomationWiringTest : public test::DelegateWiringTest {
protected:
    AutomationWiringTest()
    {
        world->childProcesses = std::make_shared<RecordingChildProcesses>();
        launch();
        settle();
    }
    void settle(Duration by = 1s)
    {
        scheduler.advance(by);
        delegate->contents().waitForReading();
        scheduler.advance(by);
    }
    // A Space whose entry opens the player and a page.
    SpaceAutomation opening(bool launchOnce = true, bool onlyIfEmpty = false)
    {
        SpaceAutomation automation;
        automation.launchApps = {kPlayer};
        automation.openURLs = {kPage};
        automation.launchOnce = launchOnce;
        automation.launchOnlyIfEmpty = onlyIfEmpty;
        return automation;
    }
    // How often the player and the page were asked for; fails when the two differ.
    int launches()
    {
        const auto apps = std::count_if(world->openRequests.begin(), world->openRequests.end(),
                                        [](const SimWorld::OpenRequest& r) { return r.path == kPlayer; });
        const auto urls = world->openedURLs().count(QUrl(kPage));
        EXPECT_EQ(apps, urls);
        return int(apps);
    }
    void closeWindows(std::set<std::uint32_t> ids)
    {
        std::erase_if(world->windows, [&](const SimWorld::Window& w) { return ids.contains(w.id); });
        delegate->contents().refresh();
        settle();
    }
    // The system goes to the Space (as a click in Mission Control would).
    void enter(std::uint64_t managedID)
    {
        ASSERT_TRUE(world->switchSpace("Main", managedID));
        settle();
    }
    Space spaceNamed(const char* id) { return *delegate->watcher().snapshot().space(QString::fromLatin1(id)); }
};

struct GateCase {
    const char* name;
    bool automationsOn;
    bool launchOnce;
    bool onlyIfEmpty;
    std::set<std::uint32_t> closed; // windows closed first
    const char* space;              // the Space automated
    std::uint64_t managedID;
    const char* steps; // E: enter it, L: leave it for S1, S: set it up
    int launches;
};

class AutomationGateTest : public AutomationWiringTest, public ::testing::WithParamInterface<GateCase> {};

} // namespace

TEST_P(AutomationGateTest, LaunchesAsTheGatesAllow)
{
    const GateCase& c = GetParam();
    home.defaults().set(K::runAutomations, c.automationsOn);
    delegate->store().setAutomation(opening(c.launchOnce, c.onlyIfEmpty), c.space);
    if (!c.closed.empty())
        closeWindows(c.closed);
    for (const char step : std::string(c.steps)) {
        if (step == 'E')
            enter(c.managedID);
        else if (step == 'L')
            enter(1);
        else
            delegate->automation().runSetup(spaceNamed(c.space));
        settle();
    }
    EXPECT_EQ(launches(), c.launches);
}

INSTANTIATE_TEST_SUITE_P(
    Gates, AutomationGateTest,
    ::testing::Values(GateCase{"AutomationsOffButSetUpStillOpens", false, false, false, {}, "S2", 2, "ELES", 1},
                      GateCase{"LaunchOnceOpensOnTheFirstEntryOnly", true, true, false, {}, "S3", 3, "ELE", 1},
                      GateCase{"LaunchOnceOffOpensOnEveryEntry", true, false, false, {}, "S3", 3, "ELE", 2},
                      GateCase{"OnlyIfEmptyWithWindowsOpensNothing", true, false, true, {}, "S2", 2, "E", 0},
                      GateCase{"OnlyIfEmptyWithoutAContentsEntryOpens", true, false, true, {12, 13}, "S2", 2, "E", 1},
                      GateCase{"OnlyIfEmptyNeverOpensOnAFullScreenSpace", true, false, true, {15}, "F4", 4, "ELE", 0},
                      GateCase{"ASetUpFollowedByAnEntryOpensOnce", true, true, false, {}, "S3", 3, "SE", 1}),
    [](const ::testing::TestParamInfo<GateCase>& info) { return std::string(info.param.name); });

TEST_F(AutomationWiringTest, ASkippedLaunchLeavesTheSpaceUnlaunchedSoALaterEmptyEntryOpens)
{
    delegate->store().setAutomation(opening(true, true), "S2");
    enter(2);
    EXPECT_EQ(launches(), 0);
    EXPECT_FALSE(delegate->automation().launched().contains("S2"));
    enter(1);
    closeWindows({12, 13});
    enter(2);
    EXPECT_EQ(launches(), 1);
    EXPECT_TRUE(delegate->automation().launched().contains("S2"));
}

TEST_F(AutomationWiringTest, TheSetupCommandOnAnotherSpaceOpensEachAppAndURLOnce)
{
    for (const bool automationsOn : {true, false}) {
        SCOPED_TRACE(automationsOn ? "automations on" : "automations off");
        world->openRequests.clear();
        home.defaults().set(K::runAutomations, automationsOn);
        delegate->store().setAutomation(opening(false), "S3");
        const qsizetype urlsBefore = world->openedURLs().size();
        delegate->commands().perform(SpaceCommand::setup(SpaceCommand::SpaceRef::number(3)));
        settle(2s);
        EXPECT_EQ(delegate->watcher().snapshot().currentSpace()->id, "S3");
        EXPECT_EQ(world->openRequests.size(), 1u);
        EXPECT_EQ(world->openedURLs().size() - urlsBefore, 1);
        EXPECT_TRUE(delegate->automation().launched().contains("S3"));
        enter(1);
    }
}

TEST_F(AutomationWiringTest, TheSetupCommandOnTheCurrentSpaceOpensAtOnceWithoutASwitch)
{
    delegate->store().setAutomation(opening(true), "S1"); // entered at launch, before it had an automation
    delegate->commands().perform(SpaceCommand::setup(SpaceCommand::SpaceRef::current()));
    scheduler.advance(399ms);
    EXPECT_EQ(launches(), 0);
    scheduler.advance(1ms);
    EXPECT_EQ(launches(), 1);
    EXPECT_EQ(delegate->watcher().snapshot().currentSpace()->id, "S1");
}

TEST_F(AutomationWiringTest, TheNotesCommandWritesTheFileOnceAndOpensIt)
{
    delegate->commands().perform(SpaceCommand::notes(SpaceCommand::SpaceRef::number(2)));
    const QString path = NoteFiles::folder() + "/Desktop 2.md";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("# Desktop 2\n\n\n\n- [ ] \n"));
    EXPECT_EQ(world->openedURLs().back(), QUrl::fromLocalFile(path));

    delegate->commands().perform(SpaceCommand::notes(SpaceCommand::SpaceRef::number(9)));
    settle();
    EXPECT_EQ(world->openedURLs().size(), 1);
}

TEST_F(AutomationWiringTest, EveryLaunchEntersTheCurrentSpaceFromNoSpace)
{
    delegate->store().setAutomation(opening(true), "S1");
    delegate->store().flushPendingSave();
    EXPECT_EQ(launches(), 0);
    delegate.reset(); // the next run of the program forgets what it launched
    delegate = std::make_unique<AppDelegate>(scheduler, alerts, statusItem, QStringList{"lumivast"});
    delegate->applicationDidFinishLaunching();
    settle();
    EXPECT_EQ(launches(), 1);
}

TEST_F(AutomationWiringTest, HidingSparesTheAppsWithWindowsOnTheSpaceEntered)
{
    SpaceAutomation automation;
    automation.hideOtherApps = true;
    delegate->store().setAutomation(automation, "S2");
    enter(2);
    EXPECT_FALSE(world->app(402)->hidden); // the editor's windows are on S2
    EXPECT_TRUE(world->app(401)->hidden);
    EXPECT_TRUE(world->app(403)->hidden);
}
