#include "Core/Windows/WindowMover.h"

#include "tests/Core/WindowWorld.h"

#include <QLoggingCategory>

using namespace lumivast;
using lumivast::test::WindowWorldTest;
using Failure = WindowMover::Failure;
using FrontWindow = WindowMover::FrontWindow;

namespace {

class WindowMoverTest : public WindowWorldTest {
protected:
    FrontWindow front(std::uint32_t id) { return FrontWindow{id, window(id).pid, window(id).frame}; }

    // Starts a move and records its completions.
    void move(std::uint32_t id, const char* target, bool follow = false, bool allowDrag = false)
    {
        const SpaceSnapshot s = snapshot();
        mover.move(front(id), *s.space(QString::fromLatin1(target)), s, follow, allowDrag,
                   [this](WindowMover::Result r) { results.push_back(r); });
    }

    // Mouse events posted, as "type x,y".
    QStringList mouseEvents()
    {
        QStringList list;
        for (const SimEvents::Posted& p : world->events().posted()) {
            if (p.event.type < InputEvent::Type::mouseMoved)
                continue;
            static const char* names[] = {"moved", "down", "up", "dragged"};
            list << QStringLiteral("%1 %2,%3 %4")
                        .arg(QString::fromLatin1(names[int(p.event.type) - int(InputEvent::Type::mouseMoved)]))
                        .arg(p.event.location.x())
                        .arg(p.event.location.y())
                        .arg(p.tap == EventTap::hid ? "hid" : "session");
        }
        return list;
    }

    WindowMover mover{switcher, scheduler};
    std::vector<WindowMover::Result> results;
};

TEST_F(WindowMoverTest, FailuresCarryTheirTexts)
{
    const std::pair<Failure, const char*> rows[] = {
        {Failure::noWindow, "There is no window to move."},
        {Failure::fullscreenWindow, "Full screen windows cannot be moved to another Space."},
        {Failure::fullscreenTarget, "Windows cannot be moved into a full screen Space."},
        {Failure::sameSpace, "The window is already on that Space."},
        {Failure::notMoved, "macOS did not move the window."},
    };
    for (const auto& [failure, text] : rows)
        EXPECT_EQ(WindowMover::description(failure), QString::fromLatin1(text));
}

TEST_F(WindowMoverTest, PreconditionsFailAtOnceAndAskNothingOfTheWindowServer)
{
    world->windowMoves = SimWorld::WindowMoves::late; // anything asked would still land later
    struct Row {
        std::uint32_t window;
        std::vector<std::uint64_t> spaces;
        const char* target;
        Failure failure;
    };
    const Row rows[] = {
        {11, {4}, "F4", Failure::fullscreenTarget}, // even when it is already there
        {12, {2}, "S2", Failure::sameSpace},
        {12, {1, 2, 3}, "S2", Failure::sameSpace},
        {15, {4}, "S1", Failure::fullscreenWindow},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        window(row.window).spaces = row.spaces;
        results.clear();
        move(row.window, row.target);
        ASSERT_EQ(results.size(), 1u) << i;
        EXPECT_EQ(results[0], std::unexpected(row.failure)) << i;
        scheduler.advance(2s);
        EXPECT_EQ(spacesOf(row.window), row.spaces) << i;
        EXPECT_EQ(results.size(), 1u) << i;
    }
}

TEST_F(WindowMoverTest, OnlyTheFirstSpaceInSnapshotOrderDecidesAboutFullScreen)
{
    window(15).spaces = {4, 2}; // S2 comes first in the snapshot and is a desktop
    move(15, "S3");
    EXPECT_TRUE(results.empty());
    scheduler.advance(WindowMover::kVerifyDelay);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0]);
    EXPECT_EQ(spacesOf(15), std::vector<std::uint64_t>{3});
}

TEST_F(WindowMoverTest, AMoveIsCheckedAfterTheDelayAndReported)
{
    move(12, "S3");
    scheduler.advance(WindowMover::kVerifyDelay - 1ms);
    EXPECT_TRUE(results.empty());
    scheduler.advance(1ms);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0]);
    EXPECT_EQ(spacesOf(12), std::vector<std::uint64_t>{3});
    EXPECT_EQ(current(), 1u); // not followed
    scheduler.advance(2s);
    EXPECT_EQ(results.size(), 1u);
}

TEST_F(WindowMoverTest, AMoveThatDoesNotTakeFailsWithoutTheDrag)
{
    struct Row {
        SimWorld::WindowMoves moves;
        std::vector<std::uint64_t> afterwards;
    };
    const Row rows[] = {{SimWorld::WindowMoves::ignore, {2}}, {SimWorld::WindowMoves::late, {3}}};
    for (const Row& row : rows) {
        window(12).spaces = {2};
        window(12).moves = row.moves;
        results.clear();
        move(12, "S3");
        scheduler.advance(WindowMover::kVerifyDelay);
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0], std::unexpected(Failure::notMoved));
        scheduler.advance(2s);
        EXPECT_EQ(results.size(), 1u);
        EXPECT_EQ(spacesOf(12), row.afterwards); // a late move lands after the verdict
    }
    EXPECT_TRUE(mouseEvents().empty());
}

TEST_F(WindowMoverTest, AnIgnoredMoveFallsBackToDraggingTheTitleBar)
{
    window(11).moves = SimWorld::WindowMoves::ignore;
    move(11, "S2", false, true);
    scheduler.advance(WindowMover::kVerifyDelay);
    EXPECT_TRUE(results.empty());
    // 600 wide at (100, 50): held 80 points in, 12 down; dragged 4 to the right.
    EXPECT_EQ(mouseEvents(), (QStringList{"moved 180,62 hid", "down 180,62 hid", "dragged 184,62 hid"}));
    EXPECT_EQ(world->heldWindow, 11u);

    scheduler.advance(WindowMover::kDragSwitchDelay + world->dock().delay);
    EXPECT_EQ(current(), 2u); // the switch happened with the window in hand
    EXPECT_TRUE(results.empty());

    scheduler.advance(WindowMover::kDragReleaseDelay - world->dock().delay - 1ms);
    EXPECT_TRUE(results.empty());
    scheduler.advance(1ms); // 0.79 s after the request
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0]);
    EXPECT_EQ(mouseEvents().last(), "up 184,62 hid");
    EXPECT_EQ(spacesOf(11), std::vector<std::uint64_t>{2});
    EXPECT_EQ(world->pointer, QPointF(184, 62)); // left where the drop happened
    EXPECT_TRUE(world->events().warps().empty());
    EXPECT_EQ(world->events().pressedMouseButtons() & 1, 0u);
}

TEST_F(WindowMoverTest, AWindowClosedDuringTheMoveIsNotDraggedAndNothingElseIs)
{
    // The window underneath would be the one a press on the old title bar takes.
    window(11).moves = SimWorld::WindowMoves::ignore;
    addFrontWindow(20, 403, QRectF(100, 50, 600, 400), {1});
    std::swap(world->windows[0], world->windows[1]);
    move(11, "S2", false, true);
    std::erase_if(world->windows, [](const SimWorld::Window& w) { return w.id == 11; });

    scheduler.advance(WindowMover::kVerifyDelay + WindowMover::kDragSwitchDelay + WindowMover::kDragReleaseDelay);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0], std::unexpected(Failure::noWindow));
    EXPECT_TRUE(mouseEvents().empty());
    EXPECT_EQ(spacesOf(20), std::vector<std::uint64_t>{1});
    EXPECT_EQ(current(), 1u);
}

TEST_F(WindowMoverTest, AFailedDragPutsThePointerBack)
{
    // Another window covers the title bar: the drag takes that one instead.
    window(11).moves = SimWorld::WindowMoves::ignore;
    addFrontWindow(20, 403, QRectF(150, 40, 300, 300), {1});

    move(11, "S2", false, true);
    scheduler.advance(WindowMover::kVerifyDelay + WindowMover::kDragSwitchDelay + WindowMover::kDragReleaseDelay);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0], std::unexpected(Failure::notMoved));
    EXPECT_EQ(spacesOf(11), std::vector<std::uint64_t>{1});
    EXPECT_EQ(spacesOf(20), std::vector<std::uint64_t>{2});
    EXPECT_EQ(world->pointer, QPointF(700, 400));
    EXPECT_EQ(world->events().warps(), std::vector<QPointF>{QPointF(700, 400)});
}

TEST_F(WindowMoverTest, TheDragNeedsAccessibilityAndPromptsForIt)
{
    window(11).moves = SimWorld::WindowMoves::ignore;
    world->accessibilityTrusted = false;
    move(11, "S2", false, true);
    scheduler.advance(WindowMover::kVerifyDelay);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0], std::unexpected(Failure::notMoved));
    EXPECT_EQ(world->accessibilityPrompts(), 1);
    EXPECT_TRUE(mouseEvents().empty());
}

TEST_F(WindowMoverTest, EventsThatCannotBeMadeAreSkippedAndTheDragStillVerifies)
{
    window(11).moves = SimWorld::WindowMoves::ignore;
    world->events().refuseEvents = true;
    move(11, "S2", false, true);
    scheduler.advance(790ms - 1ms);
    EXPECT_TRUE(results.empty());
    scheduler.advance(1ms);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0], std::unexpected(Failure::notMoved));
    EXPECT_TRUE(world->events().posted().empty());
    EXPECT_EQ(world->events().warps(), std::vector<QPointF>{QPointF(700, 400)});
}

TEST_F(WindowMoverTest, GrabPointStaysOnTheTitleBarAtMostEightyPointsIn)
{
    EXPECT_EQ(WindowMover::grabPoint(QRectF(100, 50, 600, 400)), QPointF(180, 62));
    EXPECT_EQ(WindowMover::grabPoint(QRectF(100, 50, 150, 400)), QPointF(150, 62));
    EXPECT_EQ(WindowMover::grabPoint(QRectF(100, 50, 240, 400)), QPointF(180, 62));
}

TEST_F(WindowMoverTest, FollowingSwitchesAtOnceAndRaisesLater)
{
    move(12, "S3", true);
    scheduler.advance(WindowMover::kVerifyDelay);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0]);
    EXPECT_FALSE(world->dock().log().isEmpty()); // the switch was requested with the completion
    EXPECT_FALSE(axLog().contains("raise 12"));
    scheduler.advance(WindowMover::kRaiseAfterFollow - 1ms);
    EXPECT_FALSE(axLog().contains("raise 12"));
    EXPECT_EQ(current(), 3u);
    scheduler.advance(1ms);
    EXPECT_EQ(axLog(), (QStringList{"main 12", "raise 12"}));
    EXPECT_EQ(world->frontmostPID, 402);
    EXPECT_EQ(results.size(), 1u);
}

TEST_F(WindowMoverTest, MovesUnderWayCheckOnlyTheirOwnWindow)
{
    window(13).moves = SimWorld::WindowMoves::ignore;
    move(12, "S1");
    move(13, "S1");
    move(14, "S1");
    scheduler.advance(WindowMover::kVerifyDelay);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_TRUE(results[0]);
    EXPECT_EQ(results[1], std::unexpected(Failure::notMoved));
    EXPECT_TRUE(results[2]);
}

TEST_F(WindowMoverTest, NoCompletionWhenTheMoverIsGoneBeforeTheCheck)
{
    auto gone = std::make_unique<WindowMover>(switcher, scheduler);
    int calls = 0;
    const SpaceSnapshot s = snapshot();
    gone->move(front(12), *s.space("S3"), s, false, false, [&](WindowMover::Result) { ++calls; });
    gone.reset();
    scheduler.advance(2s);
    EXPECT_EQ(calls, 0);
}

TEST_F(WindowMoverTest, TheDragReleasesTheButtonEvenWhenTheMoverIsGone)
{
    auto gone = std::make_unique<WindowMover>(switcher, scheduler);
    window(11).moves = SimWorld::WindowMoves::ignore;
    std::vector<WindowMover::Result> seen;
    const SpaceSnapshot s = snapshot();
    gone->move(front(11), *s.space("S2"), s, false, true, [&](WindowMover::Result r) { seen.push_back(r); });
    scheduler.advance(WindowMover::kVerifyDelay);
    gone.reset();
    scheduler.advance(1s);
    EXPECT_EQ(current(), 1u); // the switch is skipped
    EXPECT_EQ(mouseEvents().last(), "up 184,62 hid");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], std::unexpected(Failure::notMoved));
}

TEST_F(WindowMoverTest, FrontWindowIsTheFocusedWindowOfTheFrontmostApplication)
{
    showSpace(2);
    world->frontmostPID = 402;
    world->app(402)->focusedWindow = 13;
    EXPECT_EQ(WindowMover::frontWindow(), (FrontWindow{13, 402, QRectF(260, 160, 800, 600)}));
    EXPECT_EQ(world->accessibility().messagingTimeout(world->dockElements().applicationElement(402)), 0.25);

    // Without Accessibility: the frontmost application's front window in the list.
    world->accessibilityTrusted = false;
    EXPECT_EQ(WindowMover::frontWindow(), (FrontWindow{12, 402, QRectF(200, 120, 800, 600)}));
}

TEST_F(WindowMoverTest, FrontWindowFallsBackToTheWindowList)
{
    world->accessibilityTrusted = false;
    addFrontWindow(30, 401, QRectF(0, 0, 60, 400), {1}); // both sides must exceed 60
    EXPECT_EQ(WindowMover::frontWindow(), (FrontWindow{11, 401, QRectF(100, 50, 600, 400)}));

    // No frontmost application: any other application's window counts.
    world->frontmostPID.reset();
    addFrontWindow(31, 403, QRectF(5, 5, 300, 300), {1});
    EXPECT_EQ(WindowMover::frontWindow()->id, 31u);

    // This application in front: nothing, whatever is listed.
    const std::int32_t own = addOwnApp();
    addFrontWindow(32, own, QRectF(5, 5, 300, 300), {1});
    world->frontmostPID = own;
    EXPECT_EQ(WindowMover::frontWindow(), std::nullopt);
    world->accessibilityTrusted = true;
    EXPECT_EQ(WindowMover::frontWindow(), std::nullopt);
}

TEST_F(WindowMoverTest, FrameComesFromTheWindowList)
{
    EXPECT_EQ(WindowMover::frame(14), QRectF(300, 200, 700, 450));
    EXPECT_EQ(WindowMover::frame(99), std::nullopt);
}

TEST_F(WindowMoverTest, RaiseNeedsAccessibilityAndAMatchingWindow)
{
    WindowMover::raise(FrontWindow{13, 402, {}});
    EXPECT_EQ(axLog(), (QStringList{"main 13", "raise 13"}));
    EXPECT_EQ(world->frontmostPID, 402);
    EXPECT_EQ(world->windows.front().id, 13u);

    world->accessibility().clearLog();
    WindowMover::raise(FrontWindow{12, 401, {}}); // not a window of that application
    world->accessibilityTrusted = false;
    WindowMover::raise(FrontWindow{14, 403, {}});
    EXPECT_TRUE(axLog().isEmpty());
    EXPECT_EQ(world->frontmostPID, 402);
}

TEST_F(WindowMoverTest, BringHereMovesToTheActiveSpaceOfTheWindowsDisplayAndRaises)
{
    readContents();
    const auto listed = contents.windows(2);
    ASSERT_FALSE(listed.empty());
    mover.bringHere(listed.front(), snapshot(), [this](WindowMover::Result r) { results.push_back(r); });
    scheduler.advance(WindowMover::kVerifyDelay);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0]);
    EXPECT_EQ(spacesOf(12), std::vector<std::uint64_t>{1});
    EXPECT_EQ(axLog(), (QStringList{"main 12", "raise 12"}));
}

TEST_F(WindowMoverTest, BringHereFallsBackToTheMenuBarDisplayOrFails)
{
    SpaceContents::WindowInfo info{14, 403, QStringLiteral("org.example.terminal"), "Terminal", "shell", QRectF(300, 200, 700, 450), 77};
    mover.bringHere(info, snapshot(), [this](WindowMover::Result r) { results.push_back(r); });
    scheduler.advance(WindowMover::kVerifyDelay);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0]);
    EXPECT_EQ(spacesOf(14), std::vector<std::uint64_t>{1}); // the menu-bar display's active Space

    SpaceSnapshot none = snapshot();
    for (DisplaySpaces& d : none.displays)
        d.activeSpaceID.reset();
    results.clear();
    mover.bringHere(info, none, [this](WindowMover::Result r) { results.push_back(r); });
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0], std::unexpected(Failure::noWindow));
}

TEST_F(WindowMoverTest, BringHereDoesNotRaiseWhenTheMoveFails)
{
    window(12).moves = SimWorld::WindowMoves::ignore;
    readContents();
    mover.bringHere(contents.windows(2).front(), snapshot(), [this](WindowMover::Result r) { results.push_back(r); });
    scheduler.advance(1s);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0], std::unexpected(Failure::notMoved));
    EXPECT_TRUE(axLog().isEmpty());
    EXPECT_TRUE(mouseEvents().empty());
}

} // namespace
