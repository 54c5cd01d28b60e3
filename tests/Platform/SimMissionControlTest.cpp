#include "CGSBridge/CGSBridge.h"
#include "Platform/Sim/SimMissionControl.h"

#include "tests/support/SimWorldTest.h"

using namespace lumivast;
using lumivast::test::SimWorldTest;
using Element = sysfn::AXElementRef;

namespace {

// Main: desktops 1, 2 and a full-screen Space of pid 77 (then desktop 3); EXT: desktops 5, 6.
const char* kMissionControlWorld = R"({
  "displays": [ { "identifier": "Main", "main": true, "current": 2, "frame": {"x": 0, "y": 0, "w": 1512, "h": 982},
                  "spaces": [ {"managedID": 1}, {"managedID": 2}, {"managedID": 4, "type": "fullscreen", "pid": 77},
                              {"managedID": 3} ] },
                { "identifier": "EXT", "current": 5, "frame": {"x": 1512, "y": 0, "w": 1920, "h": 1080},
                  "spaces": [ {"managedID": 5}, {"managedID": 6} ] } ],
  "apps": [ {"pid": 77, "bundleID": "org.example.video", "name": "Video"},
            {"pid": 78, "bundleID": "org.example.notes", "name": "Notes"} ],
  "windows": [ {"id": 10, "pid": 78, "title": "a", "spaces": [2]}, {"id": 11, "pid": 78, "title": "b", "spaces": [2, 3]} ]
})";

class SimMissionControlTest : public SimWorldTest {
protected:
    SimMissionControlTest() { install(worldFrom(kMissionControlWorld)); }

    SimMissionControl& mc() { return world->missionControl(); }
    AXElements& ax() { return Platform::current().accessibilityElements(); }

    QString text(Element e, const char* attribute)
    {
        const auto v = ax().copyAttributeValue(e, QString::fromLatin1(attribute));
        const auto* p = v ? std::get_if<PlistValue>(&*v) : nullptr;
        return p && p->string() ? *p->string() : QString();
    }
    std::vector<Element> children(Element e)
    {
        const auto v = ax().copyAttributeValue(e, QStringLiteral("AXChildren"));
        const auto* list = v ? std::get_if<std::vector<Element>>(&*v) : nullptr;
        return list ? *list : std::vector<Element>{};
    }
    QRectF frame(Element e)
    {
        const auto p = ax().copyAttributeValue(e, QStringLiteral("AXPosition"));
        const auto s = ax().copyAttributeValue(e, QStringLiteral("AXSize"));
        if (!p || !s)
            return {};
        return QRectF(std::get<QPointF>(*p), std::get<QSizeF>(*s));
    }
    Element dock() { return ax().applicationElement(world->dockPID); }
    // The bar of the n-th display group.
    Element bar(std::size_t display)
    {
        const auto top = children(dock());
        if (top.size() < 2)
            return nullptr;
        const auto groups = children(top[1]);
        return display < groups.size() ? children(groups[display]).front() : nullptr;
    }
    std::vector<Element> buttons(std::size_t display)
    {
        Element b = bar(display);
        return b ? children(children(b).front()) : std::vector<Element>{};
    }
    void post(InputEvent::Type type, QPointF at)
    {
        const auto kind = type == InputEvent::Type::mouseMoved ? MouseEventType::mouseMoved : MouseEventType::leftMouseDown;
        world->events().post(EventTap::hid, *world->events().createMouseEvent(kind, at));
    }
    void escape()
    {
        world->events().post(EventTap::hid, *world->events().createKeyboardEvent(53, true));
        world->events().post(EventTap::hid, *world->events().createKeyboardEvent(53, false));
    }
};

} // namespace

TEST_F(SimMissionControlTest, DockNotificationOpensAfterTheDelayAndBroadcastsFirst)
{
    int awake = 0;
    std::size_t childrenWhenAwake = 99;
    auto subscription = Platform::current().distributedNotifications().observe(SimMissionControl::kAwakeNotification, [&] {
        ++awake;
        childrenWhenAwake = children(dock()).size();
    });
    ASSERT_TRUE(CGSBridgeDockNotify(QStringLiteral("com.apple.expose.awake")));
    EXPECT_EQ(awake, 0); // delivered later, on the main thread
    scheduler.advance(299ms);
    EXPECT_EQ(awake, 1);
    EXPECT_EQ(childrenWhenAwake, 1u); // only the item list: the bars do not exist yet
    scheduler.advance(1ms);
    ASSERT_EQ(children(dock()).size(), 2u);
    EXPECT_EQ(text(children(dock())[1], "AXTitle"), QStringLiteral("Mission Control"));

    // A second request while open changes nothing and broadcasts nothing.
    CGSBridgeDockNotify(QStringLiteral("com.apple.expose.awake"));
    scheduler.advance(1s);
    EXPECT_EQ(awake, 1);
}

TEST_F(SimMissionControlTest, NothingOpensWithoutTheDock)
{
    world->dockPID = 0;
    CGSBridgeDockNotify(QStringLiteral("com.apple.expose.awake"));
    scheduler.advance(1s);
    EXPECT_EQ(mc().state(), SimMissionControl::State::closed);
    EXPECT_TRUE(world->distributedNotifications().posted().isEmpty());
}

TEST_F(SimMissionControlTest, TreeFollowsTheSpacesRowByRow)
{
    mc().openNow();
    const auto top = children(dock());
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(text(top[0], "AXRole"), QStringLiteral("AXList"));
    ASSERT_EQ(children(top[0]).size(), 2u);
    EXPECT_EQ(text(children(top[0])[0], "AXRole"), QStringLiteral("AXDockItem"));

    ASSERT_EQ(children(top[1]).size(), 2u); // one group per display
    const QRectF mainBar = frame(bar(0));
    EXPECT_EQ(text(bar(0), "AXTitle"), QStringLiteral("Spaces Bar"));
    EXPECT_EQ(mainBar.top(), 0);
    EXPECT_EQ(mainBar.width(), 1512);
    EXPECT_EQ(frame(bar(1)).left(), 1512);

    auto row = buttons(0);
    ASSERT_EQ(row.size(), 5u);
    QStringList titles;
    for (Element b : row)
        titles << text(b, "AXTitle");
    EXPECT_EQ(titles, (QStringList{"Desktop 1", "Desktop 2", "Video", "Desktop 3", ""}));
    EXPECT_EQ(text(row[4], "AXDescription"), QStringLiteral("add desktop"));
    EXPECT_EQ(text(buttons(1)[0], "AXTitle"), QStringLiteral("Desktop 4")); // counted across displays
    // One centred row of 26 pt buttons.
    const QRectF first = frame(row[0]), last = frame(row[3]);
    EXPECT_EQ(first.height(), 26);
    EXPECT_EQ(first.top(), last.top());
    EXPECT_NEAR(first.left() - 0, 1512 - last.right(), 0.001);

    // Added, removed and reordered Spaces show at the next read; handles stay valid meanwhile.
    world->displays[0].spaces.erase(world->displays[0].spaces.begin());
    EXPECT_EQ(buttons(0).size(), 4u);
    EXPECT_EQ(text(buttons(0)[0], "AXTitle"), QStringLiteral("Desktop 1"));
    EXPECT_EQ(buttons(0)[0], row[1]);
    EXPECT_FALSE(ax().copyAttributeValue(row[0], QStringLiteral("AXRole")).has_value());

    mc().expanded = true;
    mc().desktopButtons = SimMissionControl::DesktopButtons::exitDescription;
    EXPECT_EQ(frame(buttons(0)[0]).height(), 96);
    EXPECT_EQ(text(buttons(0)[0], "AXTitle"), QString());
    EXPECT_EQ(text(buttons(0)[0], "AXDescription"), QStringLiteral("exit to Desktop 1"));
    EXPECT_EQ(text(buttons(0)[1], "AXTitle"), QStringLiteral("Video"));

    world->accessibilityTrusted = false;
    EXPECT_TRUE(children(dock()).empty());
}

TEST_F(SimMissionControlTest, AddButtonAppendsADesktopAndAnnouncesIt)
{
    mc().openNow();
    ASSERT_TRUE(ax().performAction(buttons(1).back(), QStringLiteral("AXPress")));
    ASSERT_EQ(world->displays[1].spaces.size(), 3u);
    EXPECT_EQ(world->displays[1].spaces.back().managedID, 7u);
    EXPECT_TRUE(world->displays[1].spaces.back().uuid.has_value());
    EXPECT_EQ(buttons(1).size(), 4u);
    EXPECT_TRUE(mc().log().contains(QStringLiteral("added 7 on EXT")));
}

TEST_F(SimMissionControlTest, HoverShowsTheRemoveButtonWhichRemovesTheDesktop)
{
    mc().openNow();
    const QRectF second = *mc().buttonFrame(2);
    world->events().warpPointer(second.center());
    EXPECT_TRUE(children(buttons(0)[1]).empty()); // a warp is not a move

    post(InputEvent::Type::mouseMoved, second.center());
    const auto remove = children(buttons(0)[1]);
    ASSERT_EQ(remove.size(), 1u);
    EXPECT_EQ(text(remove[0], "AXDescription"), QStringLiteral("remove desktop"));
    EXPECT_EQ(frame(remove[0]), QRectF(second.left() - 10, second.top() - 10, 20, 20));

    // Desktop 2 is current: its windows and the current Space go to the desktop before it.
    ASSERT_TRUE(ax().performAction(remove[0], QStringLiteral("AXPress")));
    EXPECT_EQ(world->displays[0].current, 1u);
    EXPECT_EQ(world->window(10)->spaces, (std::vector<std::uint64_t>{1}));
    EXPECT_EQ(world->window(11)->spaces, (std::vector<std::uint64_t>{3, 1}));
    EXPECT_EQ(buttons(0).size(), 4u);

    // The first desktop's windows go to the one after it; the last desktop of a display has no remove button.
    post(InputEvent::Type::mouseMoved, mc().buttonFrame(5)->center());
    EXPECT_TRUE(children(buttons(1)[0]).size() == 1u);
    mc().closeButtonHidden = true;
    EXPECT_TRUE(children(buttons(1)[0]).empty());
    post(InputEvent::Type::leftMouseDown, mc().buttonFrame(5)->topLeft() + QPointF(6, 6)); // its place still works
    ASSERT_EQ(world->displays[1].spaces.size(), 1u);
    EXPECT_EQ(world->displays[1].current, 6u);
    post(InputEvent::Type::mouseMoved, mc().buttonFrame(6)->center());
    mc().closeButtonHidden = false;
    EXPECT_TRUE(children(buttons(1)[0]).empty());
}

TEST_F(SimMissionControlTest, EscapeOrAClickClosesWithTheBarsRising)
{
    mc().openNow();
    escape();
    scheduler.advance(40ms);
    EXPECT_EQ(frame(bar(0)).top(), -20);
    scheduler.advance(59ms);
    EXPECT_EQ(children(dock()).size(), 2u);
    scheduler.advance(1ms);
    EXPECT_EQ(children(dock()).size(), 1u);

    // A click on a desktop's button switches there and closes at once with no slide.
    mc().closeSlide = 0ms;
    mc().openNow();
    post(InputEvent::Type::leftMouseDown, mc().buttonFrame(3)->center());
    EXPECT_EQ(world->displays[0].current, 3u);
    EXPECT_EQ(mc().state(), SimMissionControl::State::closed);
}

TEST_F(SimMissionControlTest, RestartedDockHasANewProcessAndTheOldElementIsInvalid)
{
    mc().openNow();
    Element old = dock();
    const auto pid = world->dockPID;
    mc().restartDock();
    EXPECT_NE(world->dockPID, pid);
    EXPECT_EQ(ax().copyAttributeValue(old, QStringLiteral("AXChildren")).error(), AXError::invalidElement);
    EXPECT_EQ(children(dock()).size(), 1u);
}

TEST_F(SimMissionControlTest, WorldFileKeys)
{
    install(worldFrom(R"({"reduceMotion": true, "missionControl": {"open": true, "openDelayMs": 900, "closeSlideMs": 0,
                           "expanded": true, "desktopButtons": "exitDescription", "closeButton": "hidden"}})"));
    EXPECT_TRUE(Platform::current().system().reduceMotion());
    EXPECT_EQ(mc().state(), SimMissionControl::State::open);
    EXPECT_EQ(mc().openDelay, 900ms);
    EXPECT_EQ(mc().closeSlide, 0ms);
    EXPECT_TRUE(mc().expanded && mc().closeButtonHidden);
    EXPECT_EQ(mc().desktopButtons, SimMissionControl::DesktopButtons::exitDescription);

    QString error;
    EXPECT_FALSE(SimWorld::fromJson(QJsonDocument::fromJson(R"({"missionControl": {"closeButton": "maybe"}})").object(), &error));
    EXPECT_FALSE(error.isEmpty());
}
