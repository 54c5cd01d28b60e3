#include "Platform/Sim/SimMissionControl.h"
#include "tests/App/DelegateWiringTest.h"

#include <gtest/gtest.h>

using namespace lumivast;
namespace K = Settings::Key;

namespace {

// Adding and removing desktops from commands, and templates that need more
// desktops than there are, on the window world (Main: S1, S2, S3 and the
// full-screen F4 of "Video").
class MissionControlWiringTest : public test::DelegateWiringTest {
protected:
    void launch()
    {
        DelegateWiringTest::launch();
        scheduler.advance(600ms);
        marker();
    }
    // A toast to tell whether another came after it.
    void marker() { delegate->hud().toast(QStringLiteral("marker"), HUDController::defaultToastSymbol, false); }
    SimMissionControl& mc() { return world->missionControl(); }
    std::vector<std::uint64_t> mainRow() const
    {
        std::vector<std::uint64_t> ids;
        for (const auto& s : world->displays.front().spaces)
            ids.push_back(s.managedID);
        return ids;
    }
};

} // namespace

TEST_F(MissionControlWiringTest, AddingAndRemovingSucceedQuietly)
{
    launch();
    delegate->commands().perform(SpaceCommand::addDesktop());
    scheduler.advance(3s);
    ASSERT_EQ(mainRow().size(), 5u);
    EXPECT_NE(mc().state(), SimMissionControl::State::open); // closed again by Escape

    delegate->commands().perform(SpaceCommand::removeDesktop(SpaceCommand::SpaceRef::number(2)));
    scheduler.advance(4s);
    EXPECT_EQ(mainRow(), (std::vector<std::uint64_t>{1, 3, 4, mainRow().back()}));
    EXPECT_EQ(spacesOf(12), std::vector<std::uint64_t>{1}); // the editor's windows went to the desktop before
    EXPECT_EQ(lastToast(), "marker");
}

TEST_F(MissionControlWiringTest, FailuresAreErrorToastsWithTheirText)
{
    launch();
    world->dockPID = 0;
    delegate->commands().perform(SpaceCommand::addDesktop());
    scheduler.advance(2300ms);
    EXPECT_EQ(lastToast(), "marker"); // still polling
    scheduler.advance(100ms);
    EXPECT_EQ(lastToast(), "Mission Control could not be opened.");
    EXPECT_TRUE(lastToastIsError());

    world->dockPID = 88;
    mc().addButtonMissing = true;
    delegate->commands().perform(SpaceCommand::addDesktop());
    scheduler.advance(3s);
    EXPECT_EQ(lastToast(), "Mission Control's add-desktop button was not found.");
    EXPECT_TRUE(lastToastIsError());
    EXPECT_EQ(mainRow().size(), 4u);
}

TEST_F(MissionControlWiringTest, AFullScreenSpaceIsNotADesktopToRemove)
{
    launch();
    const auto asked = world->dockNotifications().size();
    delegate->commands().perform(SpaceCommand::removeDesktop(SpaceCommand::SpaceRef::name(QStringLiteral("Video"))));
    EXPECT_EQ(lastToast(), "No Space is called Video");
    EXPECT_TRUE(lastToastIsError());
    scheduler.advance(3s);
    EXPECT_EQ(world->dockNotifications().size(), asked); // Mission Control was never asked to open
    EXPECT_EQ(mc().state(), SimMissionControl::State::closed);
    EXPECT_EQ(mainRow().size(), 4u);
}

TEST_F(MissionControlWiringTest, ATemplateAddsTheMissingDesktopsOneByOneThenAppliesAgain)
{
    launch();
    delegate->commands().perform(SpaceCommand::template_(QStringLiteral("developer"))); // five slots, three desktops
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].messageText, "Developer needs 2 more desktops");

    // One addition at a time: the second starts only once the first has completed.
    QStringList added;
    scheduler.advance(1s);
    EXPECT_EQ(mainRow().size(), 5u);
    scheduler.advance(5s);
    ASSERT_EQ(mainRow().size(), 6u);
    for (const QString& line : mc().log()) {
        if (line.startsWith(QLatin1String("added")))
            added << line;
    }
    EXPECT_EQ(added.size(), 2);
    const SpaceSnapshot now = snapshot();
    QStringList names;
    for (const Space& s : now.displays.front().spaces) {
        if (!s.isFullscreen)
            names << delegate->store().displayName(s);
    }
    EXPECT_EQ(names, (QStringList{"Code", "Browser", "Chat", "Mail", "Music"}));
    // The second application asks nothing (the new desktops' naming prompts aside).
    for (std::size_t i = 1; i < alerts.shown.size(); ++i)
        EXPECT_FALSE(alerts.shown[i].messageText.contains(QLatin1String("needs"))) << alerts.shown[i].messageText.toStdString();
}
