#include "CGSBridge/CGSBridge.h"
#include "Platform/Sim/SimServices.h"
#include "tests/App/DelegateWiringTest.h"

#include <gtest/gtest.h>

using namespace lumivast;
namespace K = Settings::Key;

namespace {

class StatusMenuWiringTest : public test::DelegateWiringTest {
protected:
    StatusMenuWiringTest()
    {
        launch();
        settle();
        readDelegateContents();
    }
    void settle(Duration by = 600ms) { scheduler.advance(by); }
};

} // namespace

TEST_F(StatusMenuWiringTest, ChoosingARowSwitchesAndTheTitleFollows)
{
    EXPECT_EQ(statusItem.title, QStringLiteral("Desktop 1"));
    EXPECT_EQ(statusItem.toolTip, QStringLiteral("Desktop 1 \u00B7 Lumivast"));
    const Duration before = delegate->lastLumivastSwitch();
    choose(QStringLiteral("Desktop 3"));
    settle(1s);
    EXPECT_EQ(current(), 3u);
    EXPECT_EQ(statusItem.title, QStringLiteral("Desktop 3"));
    EXPECT_GT(delegate->lastLumivastSwitch(), before); // the program's own switch
    EXPECT_EQ(lastToast(), QStringLiteral("Desktop 3")); // the switch HUD, no toast of its own

    // Scrolling over the item steps; back goes to where we came from.
    statusItem.scroll(2);
    settle(1s);
    EXPECT_EQ(current(), 2u);
    choose(QStringLiteral("Back to Desktop 3"));
    settle(1s);
    EXPECT_EQ(current(), 3u);
}

TEST_F(StatusMenuWiringTest, RenameFromTheMenuUpdatesTitleAndTooltip)
{
    alerts.answers.push_back(AlertAnswer{0, QStringLiteral("Mail"), false});
    choose(QStringLiteral("Rename Desktop 1\u2026"));
    EXPECT_EQ(alerts.shown.back().messageText, QStringLiteral("Rename Space"));
    EXPECT_EQ(statusItem.title, QStringLiteral("Mail"));
    EXPECT_EQ(statusItem.toolTip, QStringLiteral("Mail \u00B7 Lumivast"));
    delegate->store().setNote(QStringLiteral("inbox zero"), space("S1").id);
    EXPECT_EQ(statusItem.toolTip, QStringLiteral("Mail: inbox zero"));
}

TEST_F(StatusMenuWiringTest, WindowChangesRedrawOnlyWhenTheItemShowsThem)
{
    auto openWindowOn = [this](std::uint32_t id, std::uint64_t managed) {
        addFrontWindow(id, 405, QRectF(10, 10, 300, 300), {managed});
        const int before = statusItem.titleSets;
        readDelegateContents();
        return statusItem.titleSets - before;
    };
    EXPECT_EQ(openWindowOn(31, 2), 0); // style "name", nothing hidden: the item does not change
    Settings::defaults().set(K::menuBarStyle, QStringLiteral("dots"));
    EXPECT_EQ(openWindowOn(32, 3), 1);
    Settings::defaults().set(K::menuBarStyle, QStringLiteral("name"));
    Settings::defaults().set(K::hideEmptySpaces, true);
    EXPECT_EQ(openWindowOn(33, 2), 1);
    Settings::defaults().set(K::hideEmptySpaces, false);

    // With automatic names the first window on an empty current Space renames it.
    Settings::defaults().set(K::autoNameSpaces, true);
    world->windows.erase(std::remove_if(world->windows.begin(), world->windows.end(),
                                        [](const SimWorld::Window& w) {
                                            return std::find(w.spaces.begin(), w.spaces.end(), 1u) != w.spaces.end();
                                        }),
                         world->windows.end());
    readDelegateContents();
    EXPECT_EQ(statusItem.title, QStringLiteral("Desktop 1"));
    EXPECT_EQ(openWindowOn(34, 1), 1);
    EXPECT_EQ(statusItem.title, QStringLiteral("Notes"));
}

TEST_F(StatusMenuWiringTest, UndoMinimizeAppearsAfterMinimising)
{
    EXPECT_FALSE(test::findMenuItem(openMenu(), QStringLiteral("Undo Minimize")));
    choose(QStringLiteral("Minimize All on This Space"));
    EXPECT_TRUE(window(11).minimized);
    choose(QStringLiteral("Undo Minimize"));
    EXPECT_FALSE(window(11).minimized);
}

TEST_F(StatusMenuWiringTest, ReopenSavedSpaceRestoresAndToasts)
{
    choose(QStringLiteral("Desktop 3"));
    settle(1s);
    choose(QStringLiteral("Save This Space and Close Its Windows"));
    settle(1s);
    ASSERT_TRUE(lastToast().startsWith(QStringLiteral("Saved Desktop 3")));
    const std::vector<MenuItem> menu = openMenu();
    const MenuItem* reopen = test::findMenuItem(menu, QStringLiteral("Reopen Saved Space"));
    ASSERT_TRUE(reopen);
    ASSERT_EQ(reopen->children.size(), 1u);
    EXPECT_EQ(reopen->children[0].title, QStringLiteral("Desktop 3 (2 apps)"));
    const std::size_t launchedBefore = world->launchedApplications().size();
    reopen->children[0].action();
    scheduler.runPending();
    settle(1s);
    EXPECT_EQ(lastToast(), QStringLiteral("Reopening Desktop 3"));
    EXPECT_GT(world->launchedApplications().size(), launchedBefore);
}

TEST_F(StatusMenuWiringTest, TheUpdateItemAsksForUpdates)
{
    choose(QStringLiteral("Check for Updates\u2026"));
    EXPECT_EQ(world->updates().checkRequests, 1);
}
