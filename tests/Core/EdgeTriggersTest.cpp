#include "Core/Switching/EdgeTriggers.h"

#include "Core/Settings/Settings.h"
#include "Platform/Sim/SimMouse.h"
#include "tests/support/SimWorldTest.h"

using namespace lumivast;
using lumivast::test::SimWorldTest;

namespace {

// Two displays side by side, top edges aligned: the main one (1512 x 982)
// with a camera housing 180 wide, the second (1000 x 800) without.
const char* kEdgeWorld = R"({
  "displays": [ { "identifier": "Main", "main": true, "frame": {"x": 0, "y": 0, "w": 1512, "h": 982}, "notch": {"width": 180} },
                { "identifier": "EXT", "frame": {"x": 1512, "y": 0, "w": 1000, "h": 800} } ]
})";

constexpr double kMainHeight = 982;

class EdgeTriggersTest : public SimWorldTest {
protected:
    EdgeTriggersTest()
    {
        install(worldFrom(kEdgeWorld));
        triggers.onHotCorner = [this] { ++corners; };
        triggers.onNotchHover = [this](const ScreenInfo& screen) { notches.push_back(screen.frame); };
    }

    void configure(const QString& corner, bool notch)
    {
        home.defaults().set(Settings::Key::hotCorner, corner);
        home.defaults().set(Settings::Key::notchHover, notch);
        triggers.refresh();
    }
    // Moves the pointer to a point given in screen coordinates (bottom-left origin).
    void moveTo(double x, double y, SimMouse::Target target = SimMouse::Target::otherApplication)
    {
        world->mouse().moveTo(QPointF(x, kMainHeight - y), target);
    }
    void after(Duration d) { scheduler.advance(d); }

    EdgeTriggers triggers{scheduler};
    int corners = 0;
    std::vector<QRectF> notches;
};

TEST_F(EdgeTriggersTest, MonitorsFollowTheSettings)
{
    SimMouse& mouse = world->mouse();
    configure("none", false);
    EXPECT_EQ(mouse.globalMonitorCount(), 0);
    EXPECT_EQ(mouse.localMonitorCount(), 0);

    configure("upperLeft", false); // not a corner: counts as none
    EXPECT_FALSE(triggers.monitorsInstalled());
    EXPECT_EQ(mouse.globalMonitorCount(), 0);

    configure("topLeft", false);
    triggers.refresh();
    configure("none", true);
    EXPECT_TRUE(triggers.monitorsInstalled());
    EXPECT_EQ(mouse.globalMonitorCount(), 1);
    EXPECT_EQ(mouse.localMonitorCount(), 1);

    configure("none", false);
    EXPECT_FALSE(triggers.monitorsInstalled());
    EXPECT_EQ(mouse.globalMonitorCount(), 0);
    EXPECT_EQ(mouse.localMonitorCount(), 0);
}

TEST_F(EdgeTriggersTest, HotCornerFiresAfterItsDwellOncePerVisit)
{
    configure("topLeft", false);
    moveTo(3, 979); // enters: the clock starts
    after(EdgeTriggers::kCornerDwell);
    moveTo(2, 980); // exactly 0.25 s: not yet
    EXPECT_EQ(corners, 0);
    after(1ms);
    moveTo(1, 981);
    EXPECT_EQ(corners, 1);
    after(2000ms);
    moveTo(0, 981);
    moveTo(1, 980, SimMouse::Target::thisApplication);
    EXPECT_EQ(corners, 1) << "once per stay";

    moveTo(700, 500); // leaves
    moveTo(2, 981);   // re-enters: a new clock
    after(200ms);
    moveTo(1, 981);
    EXPECT_EQ(corners, 1);
    after(51ms);
    moveTo(1, 980, SimMouse::Target::thisApplication); // the local monitor checks as well
    EXPECT_EQ(corners, 2);
    EXPECT_TRUE(notches.empty());
}

TEST_F(EdgeTriggersTest, CornerZonesAreThreePointsFromEachEdge)
{
    struct Case {
        const char* corner;
        QPointF point; // bottom-left screen coordinates
        bool inCorner;
    };
    const Case cases[] = {
        {"topLeft", {3, 979}, true},
        {"topLeft", {3.5, 982}, false},
        {"topLeft", {0, 978.5}, false},
        {"topRight", {1509, 979}, true},
        {"topRight", {1508.5, 981}, false},
        {"bottomLeft", {3, 3}, true},
        {"bottomLeft", {3, 3.5}, false},
        {"bottomRight", {1511, 0.5}, true},
        {"bottomRight", {1508, 3}, false},
        {"topRight", {2511, 981}, true}, // every screen has its corners
        {"bottomLeft", {1512.5, 0.5}, false}, // below the second screen's frame (bottom edge is outside)
        {"bottomLeft", {1514, 183}, true},    // the second screen's bottom edge is at y 182
    };
    for (const Case& c : cases) {
        configure(c.corner, false);
        moveTo(700, 500);
        moveTo(c.point.x(), c.point.y());
        EXPECT_EQ(triggers.dwellKind(), c.inCorner ? EdgeTriggers::kCorner : QString())
            << c.corner << " " << c.point.x() << "," << c.point.y();
    }
}

TEST_F(EdgeTriggersTest, NothingFiresWhileOff)
{
    configure("none", false);
    moveTo(1, 981);
    after(1000ms);
    moveTo(1, 980);
    EXPECT_EQ(corners, 0);

    // The monitors stay until the next refresh, but every event reads the settings.
    configure("topLeft", true);
    home.defaults().set(Settings::Key::hotCorner, QStringLiteral("none"));
    home.defaults().set(Settings::Key::notchHover, false);
    moveTo(1, 981);
    after(1000ms);
    moveTo(1, 980);
    moveTo(756, 981);
    after(1000ms);
    moveTo(757, 981);
    EXPECT_EQ(corners, 0);
    EXPECT_TRUE(notches.empty());
}

TEST_F(EdgeTriggersTest, ButtonsCancelAndDragsNeverFire)
{
    configure("topLeft", false);
    world->mouse().press(0);
    moveTo(1, 981); // dragged into the corner
    after(1000ms);
    moveTo(2, 981);
    EXPECT_EQ(corners, 0);
    world->mouse().release(0);

    moveTo(1, 981);
    after(200ms);
    world->mouse().press(1); // right button mid-dwell
    moveTo(1, 980);
    world->mouse().release(1);
    moveTo(1, 981); // starts again
    after(100ms);
    moveTo(2, 981);
    EXPECT_EQ(corners, 0) << "the first dwell was cancelled";
    after(151ms);
    moveTo(2, 980);
    EXPECT_EQ(corners, 1);
}

TEST_F(EdgeTriggersTest, NotchZones)
{
    const auto screens = world->screens();
    // With a housing: the gap between the two auxiliary areas, 6 tall.
    EXPECT_EQ(EdgeTriggers::notchZone(screens[0]), QRectF(666, 976, 180, 6));
    // Without: 200 x 4 centred at the top.
    EXPECT_EQ(EdgeTriggers::notchZone(screens[1]), QRectF(1912, 978, 200, 4));

    configure("none", true);
    struct Case {
        QPointF point;
        bool inNotch;
    };
    const Case cases[] = {
        {{666, 976}, true},  {{845.9, 981.9}, true}, {{846, 979}, false},
        {{756, 975.9}, false},
        {{756, 982}, true},  // the top edge itself, through the band
        {{667, 980}, true},  {{665, 981}, false},    // band: less than 90 from the middle
        {{1912, 978}, true}, {{2111, 981}, true},    {{1911, 981}, false},
        {{2012, 982}, true}, {{2012, 977.5}, false},
    };
    for (const Case& c : cases) {
        moveTo(700, 500);
        moveTo(c.point.x(), c.point.y());
        EXPECT_EQ(triggers.dwellKind(), c.inNotch ? EdgeTriggers::kNotch : QString()) << c.point.x() << "," << c.point.y();
    }
}

TEST_F(EdgeTriggersTest, NotchHoverFiresAfterItsDwellWithTheScreen)
{
    configure("none", true);
    moveTo(2012, 981);
    after(EdgeTriggers::kNotchDwell);
    moveTo(2013, 981);
    EXPECT_TRUE(notches.empty());
    after(1ms);
    moveTo(2014, 981);
    after(1000ms);
    moveTo(2015, 981);
    ASSERT_EQ(notches.size(), 1u);
    EXPECT_EQ(notches[0], QRectF(1512, 182, 1000, 800));

    moveTo(756, 981); // the same kind of zone, though on another screen: still the same stay
    after(351ms);
    moveTo(757, 981);
    EXPECT_EQ(notches.size(), 1u);

    moveTo(756, 500);
    moveTo(756, 981);
    after(351ms);
    moveTo(757, 981);
    ASSERT_EQ(notches.size(), 2u);
    EXPECT_EQ(notches[1], QRectF(0, 0, 1512, 982));
    EXPECT_EQ(corners, 0);
}

TEST_F(EdgeTriggersTest, CornerWinsOverNotchAndSwitchingZonesRestartsTheDwell)
{
    // A screen narrower than the plain notch zone: its top corners lie in both.
    install(worldFrom(R"({"displays": [ {"identifier": "Main", "main": true, "frame": {"x": 0, "y": 0, "w": 150, "h": 982}} ]})"));
    configure("topLeft", true);
    moveTo(1, 981);
    EXPECT_EQ(triggers.dwellKind(), EdgeTriggers::kCorner);
    after(200ms);
    moveTo(10, 981); // into the notch zone only
    EXPECT_EQ(triggers.dwellKind(), EdgeTriggers::kNotch);
    after(300ms);
    moveTo(11, 981);
    EXPECT_TRUE(notches.empty()) << "0.35 s from the switch, not from entering the corner";
    after(51ms);
    moveTo(12, 981);
    EXPECT_EQ(notches.size(), 1u);
    EXPECT_EQ(corners, 0);
}

TEST_F(EdgeTriggersTest, PointerOffEveryScreenResets)
{
    install(worldFrom(R"({"displays": [ {"identifier": "Main", "main": true, "frame": {"x": 0, "y": 0, "w": 1512, "h": 982}},
                                        {"identifier": "EXT", "frame": {"x": 1600, "y": 0, "w": 1000, "h": 982}} ]})"));
    configure("topRight", false);
    moveTo(1511, 981);
    after(200ms);
    moveTo(1550, 981); // the gap between the displays
    EXPECT_EQ(triggers.dwellKind(), QString());
    moveTo(1511, 981);
    after(100ms);
    moveTo(1510, 981);
    EXPECT_EQ(corners, 0);
}

TEST_F(EdgeTriggersTest, AMissingCallbackStillConsumesTheStay)
{
    triggers.onHotCorner = nullptr;
    configure("bottomLeft", false);
    moveTo(1, 1);
    after(300ms);
    moveTo(1, 2);
    triggers.onHotCorner = [this] { ++corners; };
    after(300ms);
    moveTo(2, 2);
    EXPECT_EQ(corners, 0);
}

TEST_F(EdgeTriggersTest, HandlersDoNothingOnceTheTriggersAreGone)
{
    auto doomed = std::make_unique<EdgeTriggers>(scheduler);
    int fired = 0;
    doomed->onHotCorner = [&] { ++fired; };
    configure("topLeft", false);
    doomed->refresh();
    EXPECT_EQ(world->mouse().globalMonitorCount(), 2);
    doomed.reset();
    EXPECT_EQ(world->mouse().globalMonitorCount(), 1);
    moveTo(1, 981);
    after(300ms);
    moveTo(1, 980);
    EXPECT_EQ(fired, 0);
    EXPECT_EQ(corners, 1);
}

} // namespace
