#include "App/AppDelegate.h"
#include "Core/Settings/Settings.h"
#include "Core/Switching/EdgeTriggers.h"
#include "tests/support/FakeAlertService.h"
#include "tests/support/FakeStatusItem.h"
#include "Platform/Sim/SimMouse.h"
#include "tests/support/SimWorldTest.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace lumivast;
namespace K = Settings::Key;

namespace {

// The default world: one notched display with four desktops.
class StripWiringTest : public test::SimWorldTest {
protected:
    StripWiringTest()
    {
        home.defaults().set(K::didShowOnboarding, true);
        home.defaults().set(K::floatingToolbar, true);
        home.defaults().set(K::desktopLabel, true);
        home.defaults().set(K::notchHover, true);
        delegate = std::make_unique<AppDelegate>(scheduler, alerts, statusItem, QStringList{"lumivast"});
        delegate->applicationDidFinishLaunching();
        scheduler.advance(600ms);
    }
    QString displayID() { return delegate->watcher().snapshot().displays.at(0).id; }
    int currentManagedID() { return delegate->watcher().snapshot().currentSpace()->managedID; }

    test::FakeAlertService alerts;
    test::FakeStatusItem statusItem;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(StripWiringTest, ToolbarAndLabelFollowSwitchesRenamesAndSettings)
{
    StripView* toolbar = delegate->floatingToolbar().view(displayID());
    ASSERT_NE(toolbar, nullptr);
    ASSERT_EQ(toolbar->cells().size(), 4u);
    EXPECT_EQ(delegate->desktopLabel().view(displayID())->name(), "Desktop 1");

    // A click on a pill is the program's own switch.
    QTest::mouseClick(toolbar->cells()[2], Qt::LeftButton);
    EXPECT_EQ(delegate->lastLumivastSwitch(), scheduler.now());
    scheduler.advance(1s);
    EXPECT_EQ(currentManagedID(), 4);
    EXPECT_EQ(delegate->desktopLabel().view(displayID())->name(), "Desktop 3");
    toolbar = delegate->floatingToolbar().view(displayID());
    EXPECT_TRUE(toolbar->cells()[2]->item().isActive);

    delegate->store().setName(QStringLiteral("Writing"), delegate->watcher().snapshot().currentSpace()->id);
    EXPECT_EQ(delegate->desktopLabel().view(displayID())->name(), "Writing");

    home.defaults().set(K::desktopLabel, false);
    EXPECT_EQ(delegate->desktopLabel().count(), 0u);
    home.defaults().set(K::floatingToolbar, false);
    EXPECT_EQ(delegate->floatingToolbar().count(), 0u);
}

TEST_F(StripWiringTest, AToolbarClickAlsoPutsTheNotchStripAway)
{
    const auto screen = Platform::current().screens().screens().at(0);
    delegate->notchStrip().show(screen, displayID());
    world->mouse().moveTo(QPointF(screen.frame.center().x(), 60)); // on the strip, so it stays
    scheduler.advance(300ms);
    ASSERT_TRUE(delegate->notchStrip().isVisible());

    QTest::mouseClick(delegate->floatingToolbar().view(displayID())->cells()[1], Qt::LeftButton);
    EXPECT_TRUE(delegate->notchStrip().panel()->isFadingOut());
    EXPECT_EQ(delegate->lastLumivastSwitch(), scheduler.now());
    scheduler.advance(1s);
    EXPECT_EQ(currentManagedID(), 3);
}

TEST_F(StripWiringTest, RestingOnTheNotchDropsTheStripAndAClickHidesItAndSwitches)
{
    const auto screen = Platform::current().screens().screens().at(0);
    // Onto the notch, then resting there past the dwell (a second move reports the rest).
    const double x = screen.frame.center().x();
    auto restOnTheNotch = [&] {
        world->mouse().moveTo(QPointF(x, 1));
        scheduler.advance(EdgeTriggers::kNotchDwell + 50ms);
        world->mouse().moveTo(QPointF(x + 1, 1));
        scheduler.advance(10ms);
    };
    restOnTheNotch();
    NotchStripController& strip = delegate->notchStrip();
    ASSERT_TRUE(strip.isVisible());
    EXPECT_EQ(strip.view()->cells().size(), 4u);

    // Down onto the strip and back up to the notch: the strip that shows is left as it is.
    const StripView* shown = strip.view();
    const QRectF frame = strip.panel()->modelFrame();
    world->mouse().moveTo(QPointF(x, screen.frame.height() - frame.center().y()));
    scheduler.advance(300ms);
    restOnTheNotch();
    EXPECT_TRUE(strip.isVisible());
    EXPECT_EQ(strip.view(), shown);

    QTest::mouseClick(strip.view()->cells()[1], Qt::LeftButton);
    EXPECT_TRUE(strip.panel()->isFadingOut());
    EXPECT_EQ(delegate->lastLumivastSwitch(), scheduler.now());
    scheduler.advance(1s);
    EXPECT_EQ(currentManagedID(), 3);
    EXPECT_FALSE(strip.isVisible());
}

TEST_F(StripWiringTest, RestingOnTheNotchDoesNothingWhileTheOverviewIsOpen)
{
    const auto screen = Platform::current().screens().screens().at(0);
    delegate->handleURL(QStringLiteral("lumivast://overview"));
    scheduler.advance(1s);
    ASSERT_TRUE(delegate->overlay()->isOpen());

    const double x = screen.frame.center().x();
    world->mouse().moveTo(QPointF(x, 1));
    scheduler.advance(EdgeTriggers::kNotchDwell + 50ms);
    world->mouse().moveTo(QPointF(x + 1, 1));
    scheduler.advance(10ms);
    EXPECT_FALSE(delegate->notchStrip().isVisible());
}

} // namespace
