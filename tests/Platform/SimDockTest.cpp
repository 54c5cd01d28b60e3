#include "Platform/Sim/SimDock.h"
#include "Platform/Sim/SimEvents.h"
#include "Platform/Sim/SimHotKeys.h"
#include "Platform/Sim/SimLog.h"

#include "tests/support/SimWorldTest.h"

using namespace lumivast;
using lumivast::test::SimWorldTest;

namespace {

// Two displays side by side: Main (1, 2, 3 and a full-screen Space) and EXT (5, 6).
const char* kTwoDisplays = R"({
  "displays": [ { "identifier": "Main", "main": true, "current": 1, "frame": {"x": 0, "y": 0, "w": 1512, "h": 982},
                  "spaces": [ {"managedID": 1}, {"managedID": 2}, {"managedID": 3},
                              {"managedID": 4, "type": "fullscreen", "pid": 77} ] },
                { "identifier": "EXT", "current": 5, "frame": {"x": 1512, "y": 0, "w": 1920, "h": 1080},
                  "spaces": [ {"managedID": 5}, {"managedID": 6} ] } ],
  "pointer": {"x": 700, "y": 400}
})";

class SimDockTest : public SimWorldTest {
protected:
    SimDockTest() { use(worldFrom(kTwoDisplays)); }

    void use(std::shared_ptr<SimWorld> w)
    {
        install(std::move(w));
        world->dock().setScheduler(scheduler);
    }

    std::uint64_t current(const char* display) const
    {
        for (const auto& d : world->displays) {
            if (d.identifier == QLatin1String(display))
                return d.current;
        }
        return 0;
    }

    // Presses the binding of a symbolic hot key as the system's keyboard would.
    void press(int hotKey)
    {
        const SimWorld::HotKey key = world->hotKeys.at(hotKey);
        pressKey(key.keyCode, key.modifiers);
    }
    void pressKey(quint16 keyCode, quint64 flags)
    {
        auto down = world->events().createKeyboardEvent(keyCode, true);
        auto up = world->events().createKeyboardEvent(keyCode, false);
        ASSERT_TRUE(down && up);
        down->flags = flags;
        world->events().post(EventTap::hid, *down);
        world->events().post(EventTap::hid, *up);
    }

    // One gesture event of the plain form.
    void gesture(double direction, qint64 phase, double velocity = 0)
    {
        auto e = world->events().createEvent();
        ASSERT_TRUE(e);
        e->setIntegerField(55, 30);
        e->setIntegerField(110, 23);
        e->setIntegerField(123, 1);
        e->setDoubleField(124, direction);
        e->setDoubleField(129, velocity != 0 ? velocity : direction * 9999.0);
        e->setIntegerField(132, phase);
        world->events().post(EventTap::session, *e);
    }
    void swipe(double direction)
    {
        gesture(direction, 1);
        gesture(direction, 4);
    }

    int notifications = 0;
    Subscription counter = Subscription();
    void countNotifications()
    {
        counter = world->observe(WorkspaceEvent::ActiveSpaceDidChange, [this] { ++notifications; });
    }
};

TEST_F(SimDockTest, EnabledHotKeysSwitchAfterTheDelayThenAnnounce)
{
    countNotifications();
    press(120); // Desktop 3
    EXPECT_EQ(current("Main"), 1u);
    scheduler.advance(49ms);
    EXPECT_EQ(current("Main"), 1u);
    EXPECT_EQ(notifications, 0);
    scheduler.advance(1ms);
    EXPECT_EQ(current("Main"), 3u);
    EXPECT_EQ(notifications, 1);

    world->hotKeys[122].enabled = true;
    struct Case {
        int hotKey;
        const char* display;
        std::uint64_t expected;
    };
    const Case cases[] = {
        {122, "EXT", 6}, // Desktop 5 is the second of EXT's row: the full-screen Space is no desktop
        {118, "Main", 1},
        {79, "Main", 1},  // already leftmost: no wrap-around
        {81, "Main", 2},
        {81, "Main", 3},
        {81, "Main", 4},  // onto the full-screen Space
        {81, "Main", 4},  // the end of the row
    };
    for (const Case& c : cases) {
        press(c.hotKey);
        scheduler.advance(50ms);
        EXPECT_EQ(current(c.display), c.expected) << c.hotKey;
    }
    EXPECT_EQ(world->dock().log().filter("ignored hot key").size(), 2) << world->dock().log().join('\n').toStdString();
}

TEST_F(SimDockTest, DisabledUnboundOrMismatchedKeysDoNothing)
{
    press(122); // Desktop 5: bound, disabled by default
    world->hotKeys.erase(81);
    pressKey(124, 0x840000); // the old binding of 81
    pressKey(20, 0);         // Desktop 3's key without its flags
    world->hotKeys[119].enabled = false;
    press(119);
    scheduler.advance(1s);
    EXPECT_EQ(current("Main"), 1u);
    EXPECT_EQ(world->dock().log().filter("no enabled hot key").size(), 4);
}

TEST_F(SimDockTest, LeftAndRightActOnTheDisplayUnderThePointer)
{
    world->pointer = QPointF(2000, 500);
    press(81);
    scheduler.advance(50ms);
    EXPECT_EQ(current("EXT"), 6u);
    EXPECT_EQ(current("Main"), 1u);

    world->pointer = QPointF(1512, 0); // the left edge belongs to EXT
    press(79);
    scheduler.advance(50ms);
    EXPECT_EQ(current("EXT"), 5u);
}

TEST_F(SimDockTest, StepsBeforeALandingCountFromThePendingTarget)
{
    countNotifications();
    swipe(1.0);
    scheduler.advance(30ms);
    swipe(1.0);
    scheduler.advance(49ms);
    EXPECT_EQ(current("Main"), 1u);
    scheduler.advance(1ms);
    EXPECT_EQ(current("Main"), 3u);
    EXPECT_EQ(notifications, 1);
}

TEST_F(SimDockTest, OnlyCompleteGesturesSwitch)
{
    gesture(1.0, 4);            // ended without a beginning
    gesture(1.0, 1);
    gesture(-1.0, 4);           // ended in the other direction
    gesture(1.0, 1, -9999.0);   // velocity against the direction
    auto other = world->events().createEvent();
    world->events().post(EventTap::session, *other); // not a Dock swipe at all
    scheduler.advance(1s);
    EXPECT_EQ(current("Main"), 1u);
    EXPECT_EQ(world->dock().log().filter("ignored").size(), 4) << world->dock().log().join('\n').toStdString();

    gesture(1.0, 1);
    gesture(1.0, 2);
    gesture(1.0, 4);
    scheduler.advance(50ms);
    EXPECT_EQ(current("Main"), 2u);
    swipe(-1.0);
    swipe(-1.0); // nothing further left
    scheduler.advance(50ms);
    EXPECT_EQ(current("Main"), 1u);
}

TEST_F(SimDockTest, NewerSystemsWantThePayload)
{
    world->osMajorVersion = 27;
    swipe(1.0);
    scheduler.advance(1s);
    EXPECT_EQ(current("Main"), 1u);
    EXPECT_EQ(world->dock().log().filter("ignored swipe: no payload").size(), 2);
}

TEST_F(SimDockTest, BouncesTheNextGestureSwitchesBack)
{
    world->dock().bounceNext = 1;
    world->dock().bounceAfter = 120ms;
    swipe(1.0);
    scheduler.advance(50ms);
    EXPECT_EQ(current("Main"), 2u);
    scheduler.advance(119ms);
    EXPECT_EQ(current("Main"), 2u);
    scheduler.advance(1ms);
    EXPECT_EQ(current("Main"), 1u);
    EXPECT_EQ(world->dock().bounceNext, 0);

    press(119); // key presses never bounce, and neither does the next gesture now
    scheduler.advance(1s);
    EXPECT_EQ(current("Main"), 2u);
    swipe(1.0);
    scheduler.advance(1s);
    EXPECT_EQ(current("Main"), 3u);
    EXPECT_EQ(world->dock().log().filter("bounced").size(), 1);
}

TEST_F(SimDockTest, ALockedScreenIgnoresEverything)
{
    world->screenLocked = true;
    press(120);
    swipe(1.0);
    scheduler.advance(1s);
    EXPECT_EQ(current("Main"), 1u);
    EXPECT_EQ(world->dock().log().filter("screen locked").size(), 3);
    EXPECT_EQ(Platform::current().system().sessionDictionary().value("CGSSessionScreenIsLocked")->boolean(), true);
}

TEST_F(SimDockTest, EventsRoundTripThroughTheirDataAndCanBeRefused)
{
    SimEvents& events = world->events();
    auto e = events.createKeyboardEvent(20, true);
    ASSERT_TRUE(e);
    e->flags = 0x40000;
    e->setIntegerField(132, 4);
    e->setDoubleField(124, -1.0);
    const auto data = events.eventData(*e);
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->startsWith(QByteArray("\x00\x00\x00\x02", 4)));
    auto back = events.eventFromData(*data + QByteArray("tail"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->trailingData, "tail");
    back->trailingData.clear();
    EXPECT_EQ(*back, *e);
    EXPECT_FALSE(events.eventFromData(data->left(10)));

    events.dataVersion = 3;
    EXPECT_TRUE(events.eventData(*e)->startsWith(QByteArray("\x00\x00\x00\x03", 4)));
    events.refuseEvents = true;
    EXPECT_FALSE(events.createEvent());
    EXPECT_FALSE(events.createKeyboardEvent(20, true));

    EXPECT_TRUE(events.warpPointer(QPointF(10, 20)));
    EXPECT_EQ(world->pointer, QPointF(10, 20));
    EXPECT_EQ(Platform::current().screens().pointerLocation(), QPointF(10, 982 - 20));
}

TEST_F(SimDockTest, WorldFileKnobs)
{
    use(worldFrom(R"({
      "osVersion": 27, "screenLocked": true,
      "globalPreferences": {"com.apple.swipescrolldirection": 0},
      "dock": {"delayMs": 80, "bounceBack": 2, "bounceAfterMs": 300},
      "events": {"refuse": true, "mouseButtons": 1},
      "takenHotKeys": [ {"keyCode": 18, "modifiers": 6144} ]
    })"));
    SystemInfo& system = Platform::current().system();
    EXPECT_EQ(system.operatingSystemMajorVersion(), 27);
    EXPECT_EQ(system.globalPreference("com.apple.swipescrolldirection"), PlistValue(0));
    EXPECT_FALSE(system.globalPreference("other"));
    EXPECT_EQ(world->dock().delay, 80ms);
    EXPECT_EQ(world->dock().bounceNext, 2);
    EXPECT_EQ(world->dock().bounceAfter, 300ms);
    EXPECT_FALSE(Platform::current().events().createEvent());
    EXPECT_EQ(Platform::current().events().pressedMouseButtons(), 1u);
    EXPECT_FALSE(Platform::current().hotKeys().registerHotKey(18, 6144, {1, 1}));
    EXPECT_TRUE(Platform::current().hotKeys().registerHotKey(19, 6144, {1, 2}));
    EXPECT_EQ(system.sessionDictionary().value("CGSSessionScreenIsLocked")->boolean(), true);

    use(SimWorld::defaultWorld());
    EXPECT_EQ(Platform::current().system().operatingSystemMajorVersion(), 15);
    EXPECT_EQ(world->dock().bounceNext, 0);
    EXPECT_TRUE(Platform::current().events().createEvent());
}

} // namespace

TEST_F(SimDockTest, TheLogsOfALongRunKeepTheirLatestEntriesOnly)
{
    world->screenLocked = true;
    for (int i = 0; i < 5 * kSimLogLimit; ++i) {
        press(120);
        world->lookup(nullptr, "SLSMainConnectionID");
    }
    const QStringList& log = world->dock().log();
    EXPECT_LE(log.size(), 2 * kSimLogLimit);
    EXPECT_GE(log.size(), kSimLogLimit);
    EXPECT_EQ(log.back(), "ignored: screen locked");
    EXPECT_LE(world->lookups().size(), 2 * kSimLogLimit);
    EXPECT_EQ(world->lookups().back(), QByteArray("global:SLSMainConnectionID"));
}
