// Other applications in the simulated system: Accessibility trees,
// activation, hiding, launching, title-bar drags and window moves.
#include "Platform/Sim/SimAccessibility.h"
#include "Platform/Sim/SimEvents.h"
#include "Platform/Sim/SimWindowList.h"

#include "tests/support/SimWorldTest.h"

using namespace lumivast;
using lumivast::test::SimWorldTest;

namespace {

const char* kWorld = R"({
  "displays": [ { "identifier": "Main", "current": 1, "spaces": [ {"managedID": 1}, {"managedID": 2} ] } ],
  "apps": [ {"pid": 7, "bundleID": "org.example.a", "name": "A", "focusedWindow": 3},
            {"pid": 8, "bundleID": "org.example.b", "name": "B", "hidden": true},
            {"pid": 9, "bundleID": "org.example.c", "name": "C", "running": false, "unresponsive": true} ],
  "windows": [ {"id": 1, "pid": 7, "title": "One", "frame": {"x": 100, "y": 100, "w": 400, "h": 300}, "spaces": [1], "refusesSize": true},
               {"id": 2, "pid": 7, "title": "Two", "frame": {"x": 0, "y": 0, "w": 400, "h": 300}, "spaces": [1], "minimized": true},
               {"id": 3, "pid": 7, "title": "Three", "spaces": [2], "moves": "late"},
               {"id": 4, "pid": 8, "title": "Four", "spaces": [1]},
               {"id": 5, "pid": 9, "title": "Five", "spaces": [2]} ],
  "windowMoves": "ignore", "lateMoveMs": 300, "activationFollowsWindows": false,
  "frontmost": 7
})";

class SimAccessibilityTest : public SimWorldTest {
protected:
    SimAccessibilityTest() { install(worldFrom(kWorld)); }

    AXElements& ax() { return Platform::current().accessibilityElements(); }
    sysfn::AXElementRef app(std::int32_t pid) { return ax().applicationElement(pid); }
    std::vector<std::uint32_t> ids(const AXAttributeValue& value)
    {
        std::vector<std::uint32_t> result;
        for (sysfn::AXElementRef e : std::get<std::vector<sysfn::AXElementRef>>(value))
            result.push_back(*world->windowIDForElement(e));
        return result;
    }
    std::vector<std::uint32_t> listed(std::uint32_t options, std::uint32_t relativeTo = 0)
    {
        std::vector<std::uint32_t> result;
        const PlistValue list = world->windowList().copyWindowInfo(options, relativeTo);
        for (const PlistValue& entry : *list.array())
            result.push_back(std::uint32_t(*entry.value(WindowListKey::number)->integer()));
        return result;
    }
    void post(MouseEventType type, QPointF at)
    {
        world->events().post(EventTap::hid, *world->events().createMouseEvent(type, at));
    }
};

TEST_F(SimAccessibilityTest, WorldFileKeys)
{
    EXPECT_EQ(world->app(7)->focusedWindow, 3u);
    EXPECT_TRUE(world->app(8)->hidden);
    EXPECT_FALSE(world->app(9)->running);
    EXPECT_TRUE(world->app(9)->unresponsive);
    EXPECT_TRUE(world->window(1)->refusesSize);
    EXPECT_TRUE(world->window(2)->minimized);
    EXPECT_EQ(world->window(3)->moves, SimWorld::WindowMoves::late);
    EXPECT_EQ(world->window(4)->moves, std::nullopt);
    EXPECT_EQ(world->windowMoves, SimWorld::WindowMoves::ignore);
    EXPECT_EQ(world->lateMoveDelay, 300ms);
    EXPECT_FALSE(world->activationFollowsWindows);

    QString error;
    EXPECT_FALSE(SimWorld::fromJson(QJsonDocument::fromJson(R"({"windowMoves": "sometimes"})").object(), &error));
    EXPECT_EQ(error, "windowMoves must be obey, ignore or late");
    EXPECT_FALSE(SimWorld::fromJson(QJsonDocument::fromJson(R"({"windows": [{"id": 1, "moves": 3}]})").object(), &error));
}

TEST_F(SimAccessibilityTest, ApplicationTreesListWindowsAndTheFocus)
{
    const auto windows = ax().copyAttributeValue(app(7), "AXWindows");
    ASSERT_TRUE(windows);
    EXPECT_EQ(ids(*windows), (std::vector<std::uint32_t>{1, 2, 3}));
    // The chosen focus is on a Space not shown: the front shown window has it (2 is minimised).
    const auto focused = ax().copyAttributeValue(app(7), "AXFocusedWindow");
    ASSERT_TRUE(focused);
    EXPECT_EQ(world->windowIDForElement(std::get<AXElementValue>(*focused).element), 1u);
    world->switchSpace("Main", 2);
    EXPECT_EQ(world->accessibility().focusedWindow(7), 3u);

    EXPECT_EQ(ax().copyAttributeValue(app(9), "AXWindows").error(), AXError::invalidElement); // not running
    world->app(9)->running = true;
    EXPECT_EQ(ax().copyAttributeValue(app(9), "AXWindows").error(), AXError::cannotComplete); // times out
    EXPECT_EQ(ax().copyAttributeValue(world->windowElement(5), "AXTitle").error(), AXError::cannotComplete);
    world->accessibilityTrusted = false;
    EXPECT_EQ(ax().copyAttributeValue(app(7), "AXWindows").error(), AXError::apiDisabled);
    EXPECT_EQ(ax().performAction(world->windowElement(1), "AXRaise").error(), AXError::apiDisabled);
}

TEST_F(SimAccessibilityTest, WindowsCanBeMovedSizedMinimisedRaisedAndClosed)
{
    const sysfn::AXElementRef one = world->windowElement(1);
    EXPECT_TRUE(ax().setAttributeValue(one, "AXPosition", QPointF(10, 20)));
    EXPECT_EQ(ax().setAttributeValue(one, "AXSize", QSizeF(10, 20)).error(), AXError::failure);
    EXPECT_EQ(world->window(1)->frame, QRectF(10, 20, 400, 300));
    EXPECT_EQ(std::get<QPointF>(*ax().copyAttributeValue(one, "AXPosition")), QPointF(10, 20));

    const sysfn::AXElementRef two = world->windowElement(2);
    EXPECT_TRUE(ax().setAttributeValue(two, "AXMinimized", PlistValue(false)));
    EXPECT_TRUE(ax().setAttributeValue(two, "AXMain", PlistValue(true)));
    EXPECT_TRUE(ax().performAction(two, "AXRaise"));
    EXPECT_EQ(world->windows.front().id, 2u);
    EXPECT_EQ(world->accessibility().focusedWindow(7), 2u);
    EXPECT_EQ(ax().performAction(two, "AXZoom").error(), AXError::actionUnsupported);

    const auto minimize = ax().copyAttributeValue(two, "AXMinimizeButton");
    EXPECT_TRUE(ax().performAction(std::get<AXElementValue>(*minimize).element, "AXPress"));
    EXPECT_TRUE(world->window(2)->minimized);
    const auto close = ax().copyAttributeValue(one, "AXCloseButton");
    EXPECT_TRUE(ax().performAction(std::get<AXElementValue>(*close).element, "AXPress"));
    EXPECT_EQ(world->window(1), nullptr);
    EXPECT_EQ(ax().copyAttributeValue(one, "AXTitle").error(), AXError::invalidElement);
    EXPECT_EQ(world->accessibility().log(),
              (QStringList{"position 1", "size 1 refused", "unminimize 2", "main 2", "raise 2", "minimize 2", "close 1"}));

    EXPECT_TRUE(ax().setMessagingTimeout(app(7), 0.25));
    EXPECT_EQ(world->accessibility().messagingTimeout(app(7)), 0.25);
}

TEST_F(SimAccessibilityTest, TheWindowListLeavesMinimisedAndHiddenWindowsOffScreen)
{
    EXPECT_EQ(listed(WindowList::kOptionOnScreenOnly), std::vector<std::uint32_t>{1});
    EXPECT_EQ(listed(WindowList::kOptionAll), (std::vector<std::uint32_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(listed(WindowList::kOptionIncludingWindow, 4), std::vector<std::uint32_t>{4});
}

TEST_F(SimAccessibilityTest, ApplicationsActivateHideUnhideAndTellObservers)
{
    RunningApplications& running = world->windowList();
    EXPECT_FALSE(running.runningApplication(9));
    EXPECT_TRUE(running.runningApplication(7)->isActive);
    EXPECT_TRUE(running.runningApplication(8)->isHidden);

    std::vector<std::int32_t> activated;
    auto subscription = world->observeApplications(WorkspaceEvent::DidActivateApplication,
                                                   [&](const RunningApplication& app) { activated.push_back(app.pid); });
    EXPECT_TRUE(running.unhide(8));
    EXPECT_TRUE(running.activate(8));
    EXPECT_EQ(world->frontmostPID, 8);
    EXPECT_TRUE(activated.empty()) << "told inside the call";
    EXPECT_TRUE(running.hide(8)); // the next application comes forward
    EXPECT_EQ(world->frontmostPID, 7);
    scheduler.runPending();
    EXPECT_EQ(activated, (std::vector<std::int32_t>{8, 7}));
    EXPECT_FALSE(running.activate(9));
}

TEST_F(SimAccessibilityTest, ActivationTakesTheDisplayToTheApplicationsWindow)
{
    world->activationFollowsWindows = true;
    world->app(8)->hidden = false;
    world->windowList().activate(8); // shows a window here already
    scheduler.advance(1s);
    EXPECT_EQ(world->displays[0].current, 1u);
    world->window(1)->minimized = true;
    world->windowList().activate(7);
    scheduler.advance(world->dock().delay);
    EXPECT_EQ(world->displays[0].current, 2u);
}

TEST_F(SimAccessibilityTest, OpeningAnApplicationLaunchesAndActivatesIt)
{
    std::vector<WorkspaceEvent> events;
    auto launched = world->observeApplications(WorkspaceEvent::DidLaunchApplication,
                                               [&](const RunningApplication&) { events.push_back(WorkspaceEvent::DidLaunchApplication); });
    auto activated = world->observeApplications(WorkspaceEvent::DidActivateApplication,
                                                [&](const RunningApplication&) { events.push_back(WorkspaceEvent::DidActivateApplication); });
    const auto url = world->urlForApplication("org.example.c");
    ASSERT_TRUE(url);
    std::vector<std::optional<std::int32_t>> results;
    world->openApplication(*url, [&](std::optional<std::int32_t> pid) { results.push_back(pid); });
    EXPECT_TRUE(world->app(9)->running);
    EXPECT_EQ(world->frontmostPID, 9);
    EXPECT_TRUE(events.empty()); // notifications and completions arrive from the main queue
    EXPECT_TRUE(results.empty());
    scheduler.runPending();
    EXPECT_EQ(events, (std::vector<WorkspaceEvent>{WorkspaceEvent::DidLaunchApplication, WorkspaceEvent::DidActivateApplication}));
    world->openApplication(QUrl::fromLocalFile("/Applications/Nothing.app"), [&](std::optional<std::int32_t> pid) { results.push_back(pid); });
    scheduler.runPending();
    EXPECT_EQ(results, (std::vector<std::optional<std::int32_t>>{9, std::nullopt}));
    EXPECT_EQ(world->urlForApplication("org.example.none"), std::nullopt);
}

TEST_F(SimAccessibilityTest, AWindowHeldByItsTitleBarGoesAlongToTheNextSpace)
{
    post(MouseEventType::leftMouseDown, QPointF(150, 200)); // inside, below the title bar
    EXPECT_EQ(world->heldWindow, std::nullopt);
    EXPECT_EQ(world->events().pressedMouseButtons(), 1u);
    post(MouseEventType::leftMouseUp, QPointF(150, 200));

    post(MouseEventType::mouseMoved, QPointF(150, 110));
    post(MouseEventType::leftMouseDown, QPointF(150, 110));
    post(MouseEventType::leftMouseDragged, QPointF(154, 110));
    EXPECT_EQ(world->heldWindow, 1u);
    EXPECT_EQ(world->window(1)->frame.topLeft(), QPointF(104, 100));
    world->switchSpace("Main", 2);
    post(MouseEventType::leftMouseUp, QPointF(154, 110));
    EXPECT_EQ(world->window(1)->spaces, std::vector<std::uint64_t>{2});
    EXPECT_EQ(world->heldWindow, std::nullopt);
    EXPECT_EQ(world->pointer, QPointF(154, 110));
    EXPECT_EQ(world->events().pressedMouseButtons(), 0u);
    EXPECT_TRUE(world->dock().log().isEmpty()); // mouse events are not the Dock's
}

TEST_F(SimAccessibilityTest, MouseEventsKeepTheirPlaceInTheirData)
{
    SimEvents& events = world->events();
    const auto event = events.createMouseEvent(MouseEventType::leftMouseDragged, QPointF(3.5, 4));
    ASSERT_TRUE(event);
    EXPECT_EQ(events.eventFromData(*events.eventData(*event)), event);
    EXPECT_FALSE(events.createMouseEvent(MouseEventType::rightMouseDown, QPointF()));
}

TEST_F(SimAccessibilityTest, WindowMovesObeyAreIgnoredOrLandLate)
{
    const PlistValue ids = PlistValue::array({PlistValue(1), PlistValue(3)});
    world->windows[2].spaces = {1};
    const auto& move = *std::any_cast<sysfn::MoveWindowsToManagedSpace>(world->lookup(nullptr, "SLSMoveWindowsToManagedSpace"));
    move(world->connection, ids, 2);
    EXPECT_EQ(world->window(1)->spaces, std::vector<std::uint64_t>{1}); // ignored
    EXPECT_EQ(world->window(3)->spaces, std::vector<std::uint64_t>{1});
    scheduler.advance(299ms);
    EXPECT_EQ(world->window(3)->spaces, std::vector<std::uint64_t>{1});
    scheduler.advance(1ms);
    EXPECT_EQ(world->window(3)->spaces, std::vector<std::uint64_t>{2}); // late
    world->windowMoves = SimWorld::WindowMoves::obey;
    move(world->connection, ids, 1);
    EXPECT_EQ(world->window(1)->spaces, std::vector<std::uint64_t>{1});
    move(world->connection, PlistValue::array({PlistValue(4)}), 2);
    EXPECT_EQ(world->window(4)->spaces, std::vector<std::uint64_t>{2});
}

} // namespace
