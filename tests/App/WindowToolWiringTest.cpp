#include "CGSBridge/CGSBridge.h"
#include "Core/Spaces/SpaceProvider.h"
#include "Platform/HotKeys.h"
#include "Platform/Sim/SimHotKeys.h"
#include "tests/App/DelegateWiringTest.h"

#include <gtest/gtest.h>

using namespace lumivast;
using test::kControlOption;
namespace K = Settings::Key;

namespace {

constexpr quint32 kKeyM = 46;
constexpr quint32 kKeyQuote = 39;
constexpr quint32 kKeyQ = 12;

class WindowToolWiringTest : public test::DelegateWiringTest {
protected:
    WindowToolWiringTest()
    {
        launch();
        settle();
        readDelegateContents();
    }
    void settle(Duration by = 600ms) { scheduler.advance(by); }
    QString currentID() { return delegate->watcher().snapshot().currentSpace()->id; }
};

} // namespace

TEST_F(WindowToolWiringTest, SpaceLockVetoStopsTheReactionsAndBringsTheWindowHere)
{
    home.defaults().set(K::spaceLock, true);
    const QStringList historyBefore = delegate->history().recent();
    world->windowList().activate(402); // the editor lives on S2: the system takes the user there
    settle(200ms);
    EXPECT_NE(lastToast(), QStringLiteral("S2")); // no switch HUD for the pull
    settle(1s);
    EXPECT_EQ(currentID(), QStringLiteral("S1")); // switched back
    EXPECT_EQ(lastToast(), QStringLiteral("Brought Editor here"));
    EXPECT_EQ(spacesOf(12), (std::vector<std::uint64_t>{1})); // the editor's front window came along
    EXPECT_FALSE(delegate->history().recent().contains(QStringLiteral("S2")));
    Q_UNUSED(historyBefore);
}

TEST_F(WindowToolWiringTest, AChangeRightAfterOwnSwitchIsNotAPull)
{
    home.defaults().set(K::spaceLock, true);
    world->activationFollowsWindows = false;
    world->windowList().activate(402);
    delegate->commands().perform(SpaceCommand::switchTo(SpaceCommand::SpaceRef::number(2)));
    settle();
    EXPECT_EQ(currentID(), QStringLiteral("S2"));
    EXPECT_EQ(lastToast(), QStringLiteral("Desktop 2")); // the reactions ran
    EXPECT_EQ(delegate->history().recent().first(), QStringLiteral("S2"));
}

TEST_F(WindowToolWiringTest, MovingTheFrontWindowReportsTheOutcome)
{
    delegate->commands().perform(SpaceCommand::moveWindow(SpaceCommand::SpaceRef::number(1)));
    settle();
    EXPECT_EQ(lastToast(), QStringLiteral("The window is already on that Space."));
    EXPECT_TRUE(lastToastIsError());

    delegate->store().setName(QStringLiteral("Mail"), QStringLiteral("S2"));
    delegate->commands().perform(SpaceCommand::moveWindow(SpaceCommand::SpaceRef::name(QStringLiteral("mail"))));
    settle();
    EXPECT_EQ(lastToast(), QStringLiteral("Moved Browser to Mail"));
    EXPECT_EQ(spacesOf(11), (std::vector<std::uint64_t>{2}));
    EXPECT_EQ(currentID(), QStringLiteral("S1")); // not followed

    // The browser has no window here any more.
    delegate->commands().perform(SpaceCommand::moveWindowStep(true));
    settle();
    EXPECT_EQ(lastToast(), QStringLiteral("There is no window to move."));

    home.defaults().set(K::followMovedWindow, true);
    delegate->commands().perform(SpaceCommand::switchTo(SpaceCommand::SpaceRef::number(2)));
    settle();
    delegate->commands().perform(SpaceCommand::moveWindowStep(true));
    settle(150ms); // verified after 0.12 s; the followed switch has not landed yet
    EXPECT_EQ(lastToast(), QStringLiteral("Moved Browser to Desktop 3"));
    settle(1s);
    EXPECT_EQ(spacesOf(11), (std::vector<std::uint64_t>{3}));
    EXPECT_EQ(currentID(), QStringLiteral("S3")); // followed
    EXPECT_EQ(lastToast(), QStringLiteral("Desktop 3"));
}

TEST_F(WindowToolWiringTest, MoveShortcutForAMissingDesktopSaysSo)
{
    world->hotKeyRegistry().press(26 /* 7 */, kControlOption | HotKeyModifier::shift);
    settle();
    EXPECT_EQ(lastToast(), QStringLiteral("There is no Desktop 7"));
    EXPECT_TRUE(lastToastIsError());
}

TEST_F(WindowToolWiringTest, WindowMarksThroughTheShortcuts)
{
    world->hotKeyRegistry().press(kKeyQuote, kControlOption); // jump before anything is marked
    settle(100ms);
    EXPECT_EQ(lastToast(), QStringLiteral("Press the letter of a marked window"));
    world->hotKeyRegistry().press(kKeyQ, 0);
    settle(100ms);
    EXPECT_EQ(lastToast(), QStringLiteral("Nothing is marked as Q"));

    world->hotKeyRegistry().press(kKeyM, kControlOption);
    settle(100ms);
    world->hotKeyRegistry().press(kKeyQ, 0);
    settle(100ms);
    EXPECT_EQ(lastToast(), QStringLiteral("Marked as Q"));
    ASSERT_TRUE(delegate->marks().marks.contains(QStringLiteral("q")));
    EXPECT_EQ(delegate->marks().marks.at(QStringLiteral("q")).id, 11u);

    delegate->commands().perform(SpaceCommand::switchTo(SpaceCommand::SpaceRef::number(3)));
    settle();
    ASSERT_EQ(currentID(), QStringLiteral("S3"));
    world->hotKeyRegistry().press(kKeyQuote, kControlOption);
    settle(100ms);
    world->hotKeyRegistry().press(kKeyQ, 0);
    settle(1s);
    EXPECT_EQ(currentID(), QStringLiteral("S1")); // back to the marked window's Space
    EXPECT_EQ(world->frontmostPID, 401);
}

// A click in the Space dock goes to the sink: a window here comes to the front, with no switch.
TEST_F(WindowToolWiringTest, TheSpaceDocksClickBringsAWindowOfThisSpaceForward)
{
    const auto here = delegate->watcher().snapshot().currentSpace()->managedID;
    const auto& windows = delegate->contents().windows();
    const auto behind = std::find_if(windows.begin(), windows.end(),
                                     [&](const SpaceContents::WindowInfo& w) { return w.spaceID == here; });
    ASSERT_NE(behind, windows.end());
    world->frontmostPID = 0; // nothing in front yet
    const Duration before = delegate->lastLumivastSwitch();
    delegate->spaceDock().onFocus(*behind);
    settle(100ms);
    EXPECT_EQ(world->frontmostPID, behind->pid);
    EXPECT_EQ(currentID(), QStringLiteral("S1"));
    EXPECT_EQ(delegate->lastLumivastSwitch(), before);
}

TEST_F(WindowToolWiringTest, MinimiseAllAndUndo)
{
    delegate->commands().perform(SpaceCommand::minimizeAll());
    EXPECT_EQ(lastToast(), QStringLiteral("Minimized 1 windows. Undo from the Lumivast menu."));
    EXPECT_TRUE(window(11).minimized);
    delegate->commands().perform(SpaceCommand::undoMinimize());
    EXPECT_FALSE(window(11).minimized);
}

TEST_F(WindowToolWiringTest, LayoutCommandsSaveAndPutWindowsBack)
{
    delegate->commands().perform(SpaceCommand::restoreLayout());
    EXPECT_EQ(lastToast(), QStringLiteral("No saved window layout for these displays yet"));
    EXPECT_TRUE(lastToastIsError());

    delegate->commands().perform(SpaceCommand::saveLayout());
    EXPECT_TRUE(lastToast().startsWith(QStringLiteral("Saved the position of ")));
    EXPECT_FALSE(lastToastIsError());

    world->window(14)->spaces = {1}; // the terminal wanders off
    window(14).frame = QRectF(10, 10, 500, 300);
    readDelegateContents();
    delegate->commands().perform(SpaceCommand::restoreLayout());
    settle(2s);
    EXPECT_TRUE(lastToast().startsWith(QStringLiteral("Put "))) << lastToast().toStdString();
    EXPECT_TRUE(lastToast().endsWith(QStringLiteral(" windows back on their Spaces")));
    EXPECT_EQ(spacesOf(14), (std::vector<std::uint64_t>{3}));
}

TEST_F(WindowToolWiringTest, SaveAndCloseReportsWhatItSaved)
{
    delegate->commands().perform(SpaceCommand::switchTo(SpaceCommand::SpaceRef::number(3)));
    settle();
    delegate->commands().perform(SpaceCommand::saveAndClose());
    settle();
    EXPECT_EQ(lastToast(), QStringLiteral("Saved Desktop 3 with 2 apps and closed its windows"));
    readDelegateContents();
    delegate->commands().perform(SpaceCommand::saveAndClose());
    EXPECT_EQ(lastToast(), QStringLiteral("This Space has no windows to save"));
    EXPECT_TRUE(lastToastIsError());
}

TEST_F(WindowToolWiringTest, PluggingADisplayBackRestoresItsLayout)
{
    // The layout the automatic save keeps for this two-display setup.
    delegate->layouts().save(LayoutManager::kAuto, delegate->watcher().snapshot());
    const SimWorld::Display external = world->displays.back();
    world->displays.pop_back();
    world->announceChange(kSpaceEvents[0], false);
    settle();
    world->window(14)->spaces = {1};
    world->displays.push_back(external);
    world->announceChange(kSpaceEvents[0], false);
    settle(1s);
    EXPECT_EQ(spacesOf(14), (std::vector<std::uint64_t>{1})); // 3 s after the display came back
    // The restore reads the window lists: wait for the worker's pass rather than race it.
    readDelegateContents();
    settle(3s);
    EXPECT_EQ(spacesOf(14), (std::vector<std::uint64_t>{3}));
}

namespace {
using RestartOfferTest = test::WindowWorldTest;
} // namespace

TEST_F(RestartOfferTest, OnlySoonAfterBootAndOnlyWithASavedLayout)
{
    home.defaults().set(Settings::Key::didShowOnboarding, true);
    {
        // The automatic layout saved before the restart.
        SpaceSwitcher switcher(scheduler);
        WindowMover mover(switcher, scheduler);
        SpaceContents contents(scheduler);
        contents.refresh();
        scheduler.advance(200ms);
        contents.waitForReading();
        scheduler.advance(10ms);
        ASSERT_FALSE(LayoutManager(mover, contents, scheduler).save(LayoutManager::kAuto, snapshot()).entries.empty());
    }
    for (const double uptime : {600.0, 1200.0}) {
        SCOPED_TRACE(uptime);
        world->systemUptime = uptime;
        test::FakeAlertService alerts;
        alerts.answers = {AlertAnswer{1}};
        test::FakeStatusItem item;
        AppDelegate delegate(scheduler, alerts, item, {"lumivast"});
        delegate.applicationDidFinishLaunching();
        scheduler.advance(44s);
        EXPECT_TRUE(alerts.shown.empty());
        scheduler.advance(2s);
        if (uptime < 900) {
            ASSERT_EQ(alerts.shown.size(), 1u);
            EXPECT_EQ(alerts.shown[0].messageText, QStringLiteral("Put your windows back on their Spaces?"));
            EXPECT_TRUE(alerts.shown[0].informativeText.startsWith(QStringLiteral("Lumivast saved where ")));
            EXPECT_EQ(alerts.shown[0].buttons, (QStringList{"Restore", "Not Now"}));
        } else {
            EXPECT_TRUE(alerts.shown.empty());
        }
    }
}
