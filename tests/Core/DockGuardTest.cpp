#include "Core/Switching/DockGuard.h"

#include "Core/Settings/Settings.h"
#include "Platform/Sim/SimMouse.h"
#include "tests/support/SimWorldTest.h"

using namespace lumivast;
using lumivast::test::SimWorldTest;

namespace {

// The Dock's item list in the default world: 600 x 64, centred at the bottom of the 1512 x 982 display.
const QRectF kItemList(456, 918, 600, 64);

Space guardSpace(const char* id)
{
    Space s;
    s.id = QString::fromLatin1(id);
    return s;
}

class DockGuardTest : public SimWorldTest {
protected:
    DockGuardTest()
    {
        world->frontmostPID = 402;
        guard.onBounceBack = [this](const Space& back, const RunningApplication& app) {
            reports.push_back(back.id + QLatin1Char('/') + app.bundleID.value_or(QString()));
        };
    }

    void protect(bool on, std::optional<Space> current = guardSpace("A"))
    {
        home.defaults().set(Settings::Key::dockClickProtection, on);
        guard.refresh(current);
    }
    void clickDock() { world->mouse().click(kItemList.center()); }

    DockGuard guard{scheduler};
    std::vector<QString> reports;
};

TEST_F(DockGuardTest, FindsTheDockItemList)
{
    EXPECT_EQ(DockGuard::dockListFrame(), kItemList);

    world->accessibilityTrusted = false;
    EXPECT_EQ(DockGuard::dockListFrame(), std::nullopt);
    world->accessibilityTrusted = true;

    world->dockItemList.reset(); // the Dock exposes no children
    EXPECT_EQ(DockGuard::dockListFrame(), std::nullopt);

    world->dockItemList = kItemList;
    world->dockPID = 0; // the Dock is not running
    EXPECT_EQ(DockGuard::dockListFrame(), std::nullopt);
}

TEST_F(DockGuardTest, MonitorFollowsTheSetting)
{
    protect(false);
    EXPECT_FALSE(guard.monitorInstalled());
    EXPECT_EQ(world->mouse().globalMonitorCount(), 0);
    protect(true);
    protect(true);
    EXPECT_EQ(world->mouse().globalMonitorCount(), 1);
    protect(false);
    EXPECT_FALSE(guard.monitorInstalled());
    EXPECT_EQ(world->mouse().globalMonitorCount(), 0);
}

TEST_F(DockGuardTest, VetoesAChangeThatFollowsADockClick)
{
    protect(true);
    clickDock();
    scheduler.advance(500ms);
    EXPECT_TRUE(guard.spaceChanged(guardSpace("B")));
    EXPECT_EQ(reports, std::vector<QString>{"A/org.lumivast.sim.editor"});

    // The switch back: the click was consumed.
    scheduler.advance(100ms);
    EXPECT_FALSE(guard.spaceChanged(guardSpace("A")));
    EXPECT_EQ(reports.size(), 1u);
}

TEST_F(DockGuardTest, OnlyChangesWithinTheWindowCount)
{
    struct Case {
        Duration delay;
        bool vetoed;
    };
    for (const Case& c : {Case{0ms, true}, Case{799ms, true}, Case{800ms, false}, Case{1500ms, false}}) {
        protect(true);
        clickDock();
        scheduler.advance(c.delay);
        EXPECT_EQ(guard.spaceChanged(guardSpace("B")), c.vetoed) << c.delay.count();
        protect(true); // back on A for the next case
    }
}

TEST_F(DockGuardTest, LetsOtherChangesThrough)
{
    protect(true);

    // A click outside the item list (its right edge is outside).
    world->mouse().click(QPointF(kItemList.right(), kItemList.center().y()));
    world->mouse().click(QPointF(100, 100));
    EXPECT_FALSE(guard.clickRecorded());
    EXPECT_FALSE(guard.spaceChanged(guardSpace("B")));

    // A change to the Space that was current at the click keeps the click armed.
    protect(true);
    clickDock();
    scheduler.advance(200ms);
    EXPECT_FALSE(guard.spaceChanged(guardSpace("A")));
    EXPECT_TRUE(guard.clickRecorded());
    scheduler.advance(200ms);
    EXPECT_TRUE(guard.spaceChanged(guardSpace("C")));
    EXPECT_EQ(reports, std::vector<QString>{"A/org.lumivast.sim.editor"});

    // Protection turned off between the click and the change.
    protect(true);
    clickDock();
    home.defaults().set(Settings::Key::dockClickProtection, false);
    EXPECT_FALSE(guard.spaceChanged(guardSpace("B")));

    // No Space was known at the click.
    protect(true, std::nullopt);
    clickDock();
    EXPECT_FALSE(guard.spaceChanged(guardSpace("B")));
    EXPECT_EQ(reports.size(), 1u);
}

TEST_F(DockGuardTest, WithoutAFrontmostAppTheClickStaysArmed)
{
    protect(true);
    clickDock();
    world->frontmostPID.reset();
    EXPECT_FALSE(guard.spaceChanged(guardSpace("B")));
    EXPECT_TRUE(guard.clickRecorded());

    world->frontmostPID = 401;
    scheduler.advance(100ms);
    // The guard follows every change, so the click's Space (A) is what it returns to.
    EXPECT_TRUE(guard.spaceChanged(guardSpace("C")));
    EXPECT_EQ(reports, std::vector<QString>{"A/org.lumivast.sim.browser"});
}

TEST_F(DockGuardTest, FollowsTheCurrentSpaceWhileOff)
{
    protect(true);
    home.defaults().set(Settings::Key::dockClickProtection, false);
    EXPECT_FALSE(guard.spaceChanged(guardSpace("B"))); // still recorded as current
    home.defaults().set(Settings::Key::dockClickProtection, true);
    clickDock(); // the monitor stayed: no refresh since
    EXPECT_FALSE(guard.spaceChanged(guardSpace("B")));
    EXPECT_TRUE(guard.spaceChanged(guardSpace("C")));
    EXPECT_EQ(reports, std::vector<QString>{"B/org.lumivast.sim.editor"});
}

TEST_F(DockGuardTest, NoDockFrameNoRecord)
{
    protect(true);
    world->accessibilityTrusted = false;
    clickDock();
    EXPECT_FALSE(guard.clickRecorded());

    world->accessibilityTrusted = true;
    world->mouse().eventCreationFails = true; // the click reads as (0, 0)
    clickDock();
    EXPECT_FALSE(guard.clickRecorded());
}

} // namespace
