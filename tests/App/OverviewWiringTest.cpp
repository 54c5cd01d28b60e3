// The delegate's side of the overview: what opens, walks and closes it, what
// its tiles' actions do, and what waits while it is open.

#include "Core/Demo/DemoMode.h"
#include "Core/Settings/Settings.h"
#include "Platform/HotKeys.h"
#include "Platform/Sim/SimHotKeys.h"
#include "tests/App/DelegateWiringTest.h"

#include <gtest/gtest.h>

using namespace lumivast;
namespace K = Settings::Key;

namespace {

constexpr quint32 kTab = 48;

class OverviewWiringTest : public test::DelegateOn<test::SimWorldTest> {
protected:
    void launch()
    {
        DelegateOn::launch();
        settle();
    }
    void settle(Duration by = 500ms) { scheduler.advance(by); }
    SimKeyboard& keyboard() { return static_cast<SimPlatform&>(Platform::current()).simKeyboard(); }
    OverlayController& overlay() { return *delegate->overlay(); }
    int currentDesktop() { return delegate->watcher().snapshot().currentSpace()->desktopNumber.value_or(0); }
};

} // namespace

TEST_F(OverviewWiringTest, TheCommandTogglesAndTheHotKeyWalksWhileOptionIsHeld)
{
    launch();
    delegate->handleURL(QStringLiteral("lumivast://overview"));
    settle();
    ASSERT_TRUE(overlay().isOpen());
    delegate->handleURL(QStringLiteral("lumivast://overview"));
    settle();
    EXPECT_FALSE(overlay().isOpen());

    // The hot key opens; pressed again with Option held it walks (back with Shift); without Option it closes.
    keyboard().held = Qt::AltModifier;
    world->hotKeyRegistry().press(kTab, HotKeyModifier::option);
    settle();
    ASSERT_TRUE(overlay().isOpen());
    const auto first = overlay().model().selectedID();
    world->hotKeyRegistry().press(kTab, HotKeyModifier::option);
    settle();
    EXPECT_NE(overlay().model().selectedID(), first);
    // The tap shares the hot key's handler.
    keyboard().held = Qt::AltModifier | Qt::ShiftModifier;
    delegate->touch().onFourFingerTap();
    EXPECT_EQ(overlay().model().selectedID(), first);
    keyboard().held = Qt::NoModifier;
    delegate->touch().onFourFingerTap();
    EXPECT_FALSE(overlay().isOpen());

    // The hot corner only ever opens.
    delegate->edgeTriggers().onHotCorner();
    settle();
    EXPECT_TRUE(overlay().isOpen());
    delegate->edgeTriggers().onHotCorner();
    settle();
    EXPECT_TRUE(overlay().isOpen());
    // The status menu's item toggles as the command does.
    for (const MenuItem& item : delegate->statusBar()->menuTree()) {
        if (item.title == QStringLiteral("Show Overview"))
            item.action();
    }
    settle();
    EXPECT_FALSE(overlay().isOpen());
}

TEST_F(OverviewWiringTest, WhileOpenNoSwitchHudAndNoPreviewTick)
{
    Settings::defaults().set(K::thumbnailRefreshInterval, 30.0);
    launch();
    overlay().show();
    settle();
    ASSERT_TRUE(overlay().isOpen());
    const QString before = test::lastHudTitle(delegate->hud());
    delegate->commands().perform(SpaceCommand::switchTo(SpaceCommand::SpaceRef::number(2)));
    settle(1s);
    EXPECT_EQ(test::lastHudTitle(delegate->hud()), before) << "no switch HUD over the overview";
    EXPECT_EQ(currentDesktop(), 2);

    // The tick does not capture while the overview's window is up.
    delegate->thumbnails().setSuspended(false);
    const QString current = delegate->watcher().snapshot().currentSpace()->id;
    delegate->thumbnails().remove(current);
    settle(31s);
    EXPECT_FALSE(delegate->thumbnails().images().contains(current));
    overlay().hide(false);
    settle(31s);
    EXPECT_TRUE(delegate->thumbnails().images().contains(current));
}

TEST_F(OverviewWiringTest, ANamePromptWaitsForTheOverviewToClose)
{
    launch();
    overlay().show();
    settle();
    ASSERT_TRUE(overlay().isOpen());
    const std::size_t before = alerts.shown.size(); // the welcome
    SimWorld::SimSpace added;
    added.managedID = 40;
    added.uuid = QStringLiteral("NEW-SPACE");
    world->displays[0].spaces.push_back(added);
    world->announceChange(1401, false);
    settle(3s);
    EXPECT_EQ(alerts.shown.size(), before);
    overlay().hide(false);
    settle(1100ms);
    ASSERT_EQ(alerts.shown.size(), before + 1);
}

TEST_F(OverviewWiringTest, TileActionsCloseFirstThenSwitchMoveOrOpen)
{
    world->frontmostPID = std::nullopt;
    launch();
    delegate->contents().refresh();
    settle(SpaceContents::kPassDelay);
    delegate->contents().waitForReading();
    settle();
    const auto snapshot = delegate->watcher().snapshot();
    // A desktop other than the current one with an app on it.
    std::optional<Space> there;
    std::vector<SpaceContents::AppOnSpace> appsHere;
    for (const Space& space : snapshot.allSpaces()) {
        const auto found = delegate->contents().appsBySpace().find(space.managedID);
        if (!there && !space.isActive && !space.isFullscreen && found != delegate->contents().appsBySpace().end()
            && !found->second.empty()) {
            there = space;
            appsHere = found->second;
        }
    }
    ASSERT_TRUE(there);
    const Space second = *there;

    // An app icon: closed without giving the focus back, switched as the program's own, then the app comes forward.
    overlay().show();
    settle();
    world->activatedPIDs.clear();
    overlay().model().onFocusApp(second, appsHere.front());
    EXPECT_FALSE(overlay().isOpen());
    EXPECT_EQ(delegate->lastLumivastSwitch(), scheduler.now());
    settle(300ms);
    EXPECT_TRUE(world->activatedPIDs.empty());
    settle(100ms);
    EXPECT_EQ(world->activatedPIDs.back(), appsHere.front().pid);
    settle(1s);
    EXPECT_EQ(currentDesktop(), second.desktopNumber.value_or(0));

    // Move here: the focus goes back at once, the move a quarter second later.
    world->frontmostPID = appsHere.front().pid;
    overlay().show();
    settle();
    const Space first = *delegate->watcher().snapshot().space(snapshot.allSpaces().front().id);
    world->activatedPIDs.clear();
    overlay().model().onMoveWindowHere(first);
    EXPECT_FALSE(overlay().isOpen());
    EXPECT_EQ(world->activatedPIDs, (std::vector<std::int32_t>{appsHere.front().pid}));
    settle(1s);
    EXPECT_FALSE(test::lastHudTitle(delegate->hud()).isEmpty()) << "the move reports through a toast";
}

TEST_F(OverviewWiringTest, TheDemoTourPlaysThroughTheOverview)
{
    launch();
    delegate->commands().perform(SpaceCommand::demoTour());
    EXPECT_FALSE(overlay().isOpen());
    EXPECT_TRUE(test::lastHudIsError(delegate->hud())) << "demo mode is off";

    Settings::defaults().set(K::demoMode, true);
    DemoMode::resetForTesting();
    const Duration start = scheduler.now();
    delegate->commands().perform(SpaceCommand::demoTour());
    const auto at = [&](Duration when) { scheduler.advance(start + when - scheduler.now()); };
    at(300ms);
    ASSERT_TRUE(overlay().isOpen());
    const auto first = overlay().model().selectedID();
    at(1800ms);
    EXPECT_NE(overlay().model().selectedID(), first);
    at(4920ms);
    EXPECT_EQ(overlay().model().query(), QStringLiteral("f"));
    at(5560ms);
    EXPECT_EQ(overlay().model().query(), QStringLiteral("figma"));
    at(7160ms);
    EXPECT_EQ(overlay().model().query(), QString());
    EXPECT_TRUE(overlay().isOpen());
    at(8360ms);
    EXPECT_FALSE(overlay().isOpen());
    at(9200ms);
    EXPECT_TRUE(delegate->windowPanel().isShowing());
    at(12300ms);
    EXPECT_FALSE(delegate->windowPanel().isShowing());
    Settings::defaults().remove(K::demoMode);
    DemoMode::resetForTesting();
}
