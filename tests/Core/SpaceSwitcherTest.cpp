#include "Core/Switching/SpaceSwitcher.h"

#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceProvider.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Platform/Sim/SimDock.h"
#include "Platform/Sim/SimEvents.h"

#include "tests/support/SimWorldTest.h"

using namespace lumivast;
using lumivast::test::SimWorldTest;

namespace {

// Main: desktops S1, S2, S3, then full-screen F4 and F7. EXT: desktops S5 (4) and S6 (5).
const char* kSwitcherWorld = R"({
  "displays": [ { "identifier": "Main", "main": true, "current": 1, "frame": {"x": 0, "y": 0, "w": 1512, "h": 982},
                  "spaces": [ {"managedID": 1, "uuid": "S1"}, {"managedID": 2, "uuid": "S2"}, {"managedID": 3, "uuid": "S3"},
                              {"managedID": 4, "uuid": "F4", "type": "fullscreen", "pid": 77},
                              {"managedID": 7, "uuid": "F7", "type": "fullscreen", "pid": 78} ] },
                { "uuid": "E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B", "current": 5, "frame": {"x": 1512, "y": 0, "w": 1920, "h": 1080},
                  "spaces": [ {"managedID": 5, "uuid": "S5"}, {"managedID": 6, "uuid": "S6"} ] } ],
  "pointer": {"x": 700, "y": 400}
})";
const QString kExt = QStringLiteral("E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B");

QStringList g_log;
void captureSwitcherLog(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtCriticalMsg && context.category && QByteArray(context.category) == "lumivast.Switcher")
        g_log << message;
}

struct Press {
    quint16 keyCode;
    quint64 flags;
    friend bool operator==(const Press&, const Press&) = default;
    friend void PrintTo(const Press& p, std::ostream* os) { *os << "key " << p.keyCode << " flags 0x" << std::hex << p.flags; }
};

class SpaceSwitcherTest : public SimWorldTest {
protected:
    SpaceSwitcherTest()
    {
        use(worldFrom(kSwitcherWorld));
        g_log.clear();
        m_previousHandler = qInstallMessageHandler(captureSwitcherLog);
    }
    ~SpaceSwitcherTest() override { qInstallMessageHandler(m_previousHandler); }

    void use(std::shared_ptr<SimWorld> w)
    {
        install(std::move(w));
        world->dock().setScheduler(scheduler);
    }

    SpaceSnapshot snapshot() { return *SpaceProvider::snapshot(scheduler); }
    Space space(const SpaceSnapshot& s, const char* id) { return *s.space(QString::fromLatin1(id)); }
    bool switchTo(const char* id)
    {
        const SpaceSnapshot s = snapshot();
        return switcher.switchTo(space(s, id), s);
    }
    QString active(const QString& display = QStringLiteral("Main"))
    {
        for (const DisplaySpaces& d : snapshot().displays) {
            if (d.id == display)
                return d.activeSpaceID.value_or(QString());
        }
        return {};
    }

    // Key-down events posted, with their flags; every key-down must be followed by its key-up without flags.
    std::vector<Press> presses()
    {
        std::vector<Press> result;
        const auto& posted = world->events().posted();
        for (std::size_t i = 0; i < posted.size(); ++i) {
            if (posted[i].event.type != InputEvent::Type::keyDown)
                continue;
            EXPECT_EQ(posted[i].tap, EventTap::hid);
            EXPECT_TRUE(i + 1 < posted.size() && posted[i + 1].event.type == InputEvent::Type::keyUp
                        && posted[i + 1].event.keyCode == posted[i].event.keyCode && posted[i + 1].event.flags == 0);
            result.push_back({posted[i].event.keyCode, posted[i].event.flags});
        }
        return result;
    }
    std::size_t gestureEvents()
    {
        std::size_t n = 0;
        for (const auto& p : world->events().posted())
            n += p.event.type == InputEvent::Type::null ? 1 : 0;
        return n;
    }
    void setClassic() { Settings::defaults().set(Settings::Key::switchMode, QStringLiteral("classic")); }

    SpaceSwitcher switcher{scheduler};

private:
    QtMessageHandler m_previousHandler = nullptr;
};

constexpr quint64 kControl = 0x40000;
constexpr quint64 kControlFn = 0x840000;

TEST_F(SpaceSwitcherTest, AlreadyActiveNeedsNoEventsAndNoPermission)
{
    world->accessibilityTrusted = false;
    EXPECT_TRUE(switchTo("S1"));
    EXPECT_TRUE(world->events().posted().empty());
    EXPECT_EQ(world->accessibilityPrompts(), 0);
}

TEST_F(SpaceSwitcherTest, RefusedSwitches)
{
    SpaceSnapshot s = snapshot();
    Space stray = space(s, "S2");
    stray.displayID = QStringLiteral("gone");
    EXPECT_FALSE(switcher.switchTo(stray, s));

    SpaceSnapshot noActive = s;
    noActive.displays[0].activeSpaceID.reset();
    EXPECT_FALSE(switcher.switchTo(space(s, "S2"), noActive));

    world->accessibilityTrusted = false;
    EXPECT_FALSE(switchTo("S2"));
    EXPECT_EQ(world->accessibilityPrompts(), 1);

    EXPECT_TRUE(world->events().posted().empty());
    EXPECT_EQ(g_log, (QStringList{"target display or current space missing", "target display or current space missing",
                                  "accessibility not granted"}));
}

TEST_F(SpaceSwitcherTest, InstantSwitchReachesTheTargetThroughTheDock)
{
    for (int version : {15, 27}) {
        SCOPED_TRACE(version);
        auto w = worldFrom(kSwitcherWorld);
        w->osMajorVersion = version;
        use(w);
        SpaceSwitcher instant(scheduler);
        const SpaceSnapshot s = snapshot();
        ASSERT_TRUE(instant.switchTo(space(s, "F4"), s)); // three Spaces to the right
        EXPECT_EQ(gestureEvents(), version >= 27 ? 9u : 6u);
        EXPECT_TRUE(presses().empty());
        ASSERT_EQ(instant.gestureRecords().size(), 1u);
        const auto& record = instant.gestureRecords().at("Main");
        EXPECT_EQ(record.originID, "S1");
        EXPECT_EQ(record.targetID, "F4");
        EXPECT_EQ(record.madeAt, scheduler.now());
        EXPECT_FALSE(record.armed);
        scheduler.advance(50ms);
        EXPECT_EQ(active(), "F4");

        ASSERT_TRUE(instant.switchTo(space(snapshot(), "S2"), snapshot()));
        scheduler.advance(50ms);
        EXPECT_EQ(active(), "S2");
    }
}

TEST_F(SpaceSwitcherTest, InstantSwitchMovesThePointerOntoTheTargetDisplayFirst)
{
    ASSERT_TRUE(switchTo("S6"));
    ASSERT_EQ(world->events().warps().size(), 1u);
    EXPECT_EQ(world->events().warps()[0], QPointF(1512 + 960, 540));
    scheduler.advance(50ms);
    EXPECT_EQ(active(kExt), "S6");
    EXPECT_EQ(active(), "S1");

    ASSERT_TRUE(switchTo("S5")); // already there: no move
    EXPECT_EQ(world->events().warps().size(), 1u);

    // A display whose identifier does not resolve gets no move.
    SpaceSnapshot s = snapshot();
    s.displays[1].id = QStringLiteral("not-a-uuid");
    for (Space& sp : s.displays[1].spaces)
        sp.displayID = QStringLiteral("not-a-uuid");
    world->pointer = QPointF(10, 10);
    EXPECT_TRUE(switcher.switchTo(space(s, "S6"), s));
    EXPECT_EQ(world->events().warps().size(), 1u);
}

TEST_F(SpaceSwitcherTest, QuickSuccessiveSwitchesCountFromTheTargetStillInFlight)
{
    for (bool classicSteps : {false, true}) {
        SCOPED_TRACE(classicSteps ? "classic one-Space presses" : "instant");
        use(worldFrom(kSwitcherWorld));
        SpaceSwitcher fresh(scheduler);
        if (classicSteps) {
            setClassic();
        }
        const auto go = [&](const char* id) {
            const SpaceSnapshot s = snapshot();
            Space target = space(s, id);
            if (classicSteps)
                target.desktopNumber.reset();
            return fresh.switchTo(target, s);
        };
        ASSERT_TRUE(go("S2"));
        scheduler.advance(10ms); // the snapshot still shows S1
        ASSERT_EQ(active(), "S1");
        ASSERT_TRUE(go("S3"));
        EXPECT_EQ(fresh.destination(snapshot().displays[0])->id, "S3");
        scheduler.advance(200ms);
        EXPECT_EQ(active(), "S3");
        EXPECT_TRUE(go("S3")); // arrived: nothing more is sent
        scheduler.advance(200ms);
        EXPECT_EQ(active(), "S3");
        Settings::defaults().remove(Settings::Key::switchMode);
    }

    // A switch that never lands stops counting after the time-out.
    use(worldFrom(kSwitcherWorld));
    SpaceSwitcher fresh(scheduler);
    world->screenLocked = true; // the Dock ignores the gesture
    ASSERT_TRUE(fresh.switchTo(space(snapshot(), "S2"), snapshot()));
    scheduler.advance(SpaceSwitcher::kInFlightTimeout + 1ms);
    world->screenLocked = false;
    EXPECT_EQ(fresh.destination(snapshot().displays[0])->id, "S1");
    ASSERT_TRUE(fresh.switchTo(space(snapshot(), "S3"), snapshot()));
    scheduler.advance(200ms);
    EXPECT_EQ(active(), "S3");
}

TEST_F(SpaceSwitcherTest, ClassicStepsOnAnotherDisplayMoveThePointerThereAndBack)
{
    setClassic();
    // S6 without a usable desktop number: one press of "one Space right", on EXT.
    SpaceSnapshot s = snapshot();
    Space target = space(s, "S6");
    target.desktopNumber.reset();
    ASSERT_TRUE(switcher.switchTo(target, s));
    EXPECT_EQ(presses(), (std::vector<Press>{{124, kControlFn}}));
    EXPECT_EQ(world->events().warps(), (std::vector<QPointF>{QPointF(1512 + 960, 540), QPointF(700, 400)}));
    EXPECT_EQ(world->pointer, QPointF(700, 400));
    scheduler.advance(200ms);
    EXPECT_EQ(active(kExt), "S6");
    EXPECT_EQ(active(), "S1");

    // A display whose screen cannot be found: nothing is pressed and the switch fails.
    world->events().clearLog();
    s = snapshot();
    s.displays[1].id = QStringLiteral("not-a-uuid");
    for (Space& sp : s.displays[1].spaces)
        sp.displayID = QStringLiteral("not-a-uuid");
    target = space(s, "S5");
    target.desktopNumber.reset();
    EXPECT_FALSE(switcher.switchTo(target, s));
    EXPECT_TRUE(presses().empty());
    EXPECT_EQ(g_log.last(), "cannot move the pointer onto display \"not-a-uuid\"");
    scheduler.advance(200ms);
    EXPECT_EQ(active(), "S1");
}

TEST_F(SpaceSwitcherTest, ClassicBySettingOrWhileTheLeftButtonIsHeld)
{
    setClassic();
    ASSERT_TRUE(switchTo("S3"));
    EXPECT_EQ(presses(), (std::vector<Press>{{20, kControl}}));
    EXPECT_EQ(gestureEvents(), 0u);
    EXPECT_TRUE(switcher.gestureRecords().empty());
    scheduler.advance(50ms);
    EXPECT_EQ(active(), "S3");

    Settings::defaults().remove(Settings::Key::switchMode);
    world->events().clearLog();
    world->events().mouseButtons = 1;
    ASSERT_TRUE(switchTo("S2"));
    EXPECT_EQ(presses(), (std::vector<Press>{{19, kControl}}));
    world->events().mouseButtons = 2; // the right button does not count
    ASSERT_TRUE(switchTo("S1"));
    EXPECT_EQ(presses().size(), 1u);
    EXPECT_GT(gestureEvents(), 0u);
}

TEST_F(SpaceSwitcherTest, ClassicKeyChoice)
{
    setClassic();
    world->hotKeys[133] = {41, kControl, true};
    const SpaceSnapshot base = snapshot();
    struct Case {
        const char* name;
        std::optional<int> desktopNumber;
        int index;
        std::vector<Press> expected;
    };
    const Case cases[] = {
        {"desktop 16", 16, 4, {{41, kControl}}},
        {"desktop 17, two to the right", 17, 2, {{124, kControlFn}, {124, kControlFn}}},
        {"no number, three to the left", std::nullopt, -3, {{123, kControlFn}, {123, kControlFn}, {123, kControlFn}}},
        {"no number, no steps", std::nullopt, 0, {}},
    };
    for (const Case& c : cases) {
        world->events().clearLog();
        Space target = space(base, "S2");
        target.id = QStringLiteral("X");
        target.desktopNumber = c.desktopNumber;
        target.indexOnDisplay = c.index;
        EXPECT_TRUE(switcher.switchTo(target, base)) << c.name;
        EXPECT_EQ(presses(), c.expected) << c.name;
    }
}

TEST_F(SpaceSwitcherTest, DisabledDesktopShortcutIsEnabledPressedAndDisabledLater)
{
    setClassic();
    world->hotKeys[122].enabled = false; // Desktop 5, on EXT
    ASSERT_TRUE(switchTo("S6"));
    EXPECT_EQ(presses(), (std::vector<Press>{{23, kControl}}));
    EXPECT_EQ(switcher.forceEnabledHotKeys(), std::set<int>{122});
    scheduler.advance(50ms);
    EXPECT_EQ(active(kExt), "S6"); // the Dock saw it enabled when pressed
    scheduler.advance(1449ms);
    EXPECT_TRUE(world->hotKeys[122].enabled);
    scheduler.advance(1ms);
    EXPECT_FALSE(world->hotKeys[122].enabled);
    EXPECT_TRUE(switcher.forceEnabledHotKeys().empty());

    // A shortcut the user has on stays untouched.
    ASSERT_TRUE(switchTo("S5"));
    scheduler.advance(2s);
    EXPECT_TRUE(world->hotKeys[121].enabled);
    EXPECT_TRUE(switcher.forceEnabledHotKeys().empty());
}

TEST_F(SpaceSwitcherTest, SecondSwitchWithinTheRestoreDelayDoesNotPostponeIt)
{
    setClassic();
    world->hotKeys[81].enabled = false;
    ASSERT_TRUE(switchTo("F7")); // full-screen, four to the right
    EXPECT_EQ(presses(), std::vector<Press>(4, {124, kControlFn}));
    EXPECT_EQ(switcher.forceEnabledHotKeys(), std::set<int>{81});
    scheduler.advance(1000ms);
    EXPECT_EQ(active(), "F7");

    // One more to the right while 81 is still on: pressed, restore time unchanged.
    world->events().clearLog();
    const SpaceSnapshot s = snapshot();
    Space beyond = space(s, "F7");
    beyond.id = QStringLiteral("beyond");
    beyond.indexOnDisplay += 1;
    ASSERT_TRUE(switcher.switchTo(beyond, s));
    EXPECT_EQ(presses(), (std::vector<Press>{{124, kControlFn}}));
    scheduler.advance(499ms);
    EXPECT_TRUE(world->hotKeys[81].enabled);
    scheduler.advance(1ms);
    EXPECT_FALSE(world->hotKeys[81].enabled);
}

TEST_F(SpaceSwitcherTest, AnotherForceEnabledShortcutMovesTheRestoreForAll)
{
    setClassic();
    world->hotKeys[81].enabled = false;
    world->hotKeys[79].enabled = false;
    ASSERT_TRUE(switchTo("F4")); // full-screen: three presses of 81
    scheduler.advance(1000ms);
    const SpaceSnapshot s = snapshot();
    Space left = space(s, "F4");
    left.id = QStringLiteral("left");
    left.indexOnDisplay -= 1;
    ASSERT_TRUE(switcher.switchTo(left, s)); // 79, enabled now
    EXPECT_EQ(presses().back(), (Press{123, kControlFn}));
    EXPECT_EQ(switcher.forceEnabledHotKeys(), (std::set<int>{79, 81}));
    scheduler.advance(1499ms);
    EXPECT_TRUE(world->hotKeys[81].enabled);
    EXPECT_TRUE(world->hotKeys[79].enabled);
    scheduler.advance(1ms);
    EXPECT_FALSE(world->hotKeys[81].enabled);
    EXPECT_FALSE(world->hotKeys[79].enabled);
}

TEST_F(SpaceSwitcherTest, ClassicFailures)
{
    setClassic();
    world->hotKeys.erase(81);
    EXPECT_FALSE(switchTo("F7")); // four to the right
    EXPECT_TRUE(world->events().posted().empty());
    EXPECT_EQ(g_log, QStringList{"no key binding for symbolic hot key 81"});

    // Enabling fails: false, nothing posted, nothing logged.
    world->hotKeys[122].enabled = false;
    world->makeUnavailable("CGSSetSymbolicHotKeyEnabled");
    world->makeUnavailable("SLSSetSymbolicHotKeyEnabled");
    install(world);
    EXPECT_FALSE(switchTo("S6"));
    EXPECT_TRUE(world->events().posted().empty());
    EXPECT_EQ(g_log.size(), 1);

    // No keyboard events to be had: the shortcut is still put back later.
    use(worldFrom(kSwitcherWorld));
    world->hotKeys[120].enabled = false;
    world->events().refuseEvents = true;
    EXPECT_FALSE(switchTo("S3"));
    EXPECT_TRUE(world->hotKeys[120].enabled);
    scheduler.advance(1500ms);
    EXPECT_FALSE(world->hotKeys[120].enabled);
}

TEST_F(SpaceSwitcherTest, DestroyingTheSwitcherPutsForceEnabledShortcutsBack)
{
    setClassic();
    world->hotKeys[120].enabled = false;
    {
        SpaceSwitcher shortLived(scheduler);
        const SpaceSnapshot s = snapshot();
        ASSERT_TRUE(shortLived.switchTo(space(s, "S3"), s));
        EXPECT_TRUE(world->hotKeys[120].enabled);
    }
    EXPECT_FALSE(world->hotKeys[120].enabled);
    EXPECT_EQ(scheduler.pendingCount(), 1u); // the Dock's landing only
}

// Snapshots for bounce detection, each with Main's active Space set.
class BounceTest : public SpaceSwitcherTest {
protected:
    SpaceSnapshot showing(const char* id)
    {
        SpaceSnapshot s = snapshot();
        s.displays[0].activeSpaceID = QString::fromLatin1(id);
        return s;
    }
    void gestureTo(const char* id)
    {
        const SpaceSnapshot s = snapshot();
        ASSERT_TRUE(switcher.switchTo(space(s, id), s));
    }
};

TEST_F(BounceTest, InsideAndOutsideTheWindow)
{
    struct Step {
        Duration at;     // after the gesture
        const char* shows;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        int bounces;
        bool recordLeft;
    };
    const Case cases[] = {
        {"target then origin inside 0.35 s", {{100ms, "S3"}, {350ms, "S1"}}, 1, false},
        {"origin too late", {{100ms, "S3"}, {351ms, "S1"}}, 0, false},
        {"origin before the target was seen", {{100ms, "S1"}}, 0, true},
        {"a third Space", {{100ms, "S3"}, {200ms, "S2"}}, 0, true},
        {"only the target", {{100ms, "S3"}}, 0, true},
    };
    world->dock().delay = 24h; // the snapshots below say what is active
    for (const Case& c : cases) {
        SpaceSwitcher fresh(scheduler);
        const SpaceSnapshot s = snapshot();
        ASSERT_TRUE(fresh.switchTo(space(s, "S3"), s));
        const Duration start = scheduler.now();
        for (const Step& step : c.steps) {
            scheduler.advance(start + step.at - scheduler.now());
            fresh.observe(showing(step.shows));
        }
        EXPECT_EQ(fresh.bounceCount(), c.bounces) << c.name;
        EXPECT_EQ(fresh.gestureRecords().size(), c.recordLeft ? 1u : 0u) << c.name;
        EXPECT_FALSE(fresh.prefersClassicAfterBounces()) << c.name;
        scheduler.advance(1s);
        world->events().clearLog();
    }

    // A display without an active Space leaves its record alone.
    gestureTo("S3");
    SpaceSnapshot none = snapshot();
    none.displays[0].activeSpaceID.reset();
    scheduler.advance(400ms);
    switcher.observe(none);
    EXPECT_EQ(switcher.gestureRecords().size(), 1u);
}

TEST_F(BounceTest, SecondBounceSwitchesToClassicForGood)
{
    // Through the real chain: the Dock bounces, the watcher publishes, the switcher observes.
    world->dock().bounceNext = 3;
    SpaceWatcher watcher(scheduler);
    watcher.onSnapshot = [this](const SpaceSnapshot& s) { switcher.observe(s); };
    watcher.start();

    gestureTo("S3");
    scheduler.advance(1s);
    EXPECT_EQ(switcher.bounceCount(), 1);
    EXPECT_EQ(active(), "S1");
    EXPECT_TRUE(g_log.isEmpty());

    scheduler.advance(10s); // bounces count over the whole life, not only in a row
    gestureTo("S2");
    scheduler.advance(1s);
    EXPECT_EQ(switcher.bounceCount(), 2);
    EXPECT_TRUE(switcher.prefersClassicAfterBounces());
    EXPECT_EQ(g_log, QStringList{"gesture switches bounce back, using classic switching for this session"});

    world->events().clearLog();
    gestureTo("S3");
    EXPECT_EQ(gestureEvents(), 0u);
    EXPECT_EQ(presses(), (std::vector<Press>{{20, kControl}}));
    scheduler.advance(1s);
    EXPECT_EQ(active(), "S3");
    EXPECT_EQ(world->dock().bounceNext, 1); // key presses do not bounce
    EXPECT_EQ(g_log.size(), 1);
}

TEST_F(SpaceSwitcherTest, DisplayUnderMouse)
{
    const SpaceSnapshot s = snapshot();
    EXPECT_EQ(switcher.displayUnderMouse(s)->id, "Main");
    world->pointer = QPointF(2000, 300);
    EXPECT_EQ(switcher.displayUnderMouse(s)->id, kExt);

    SpaceSnapshot oneDisplay = s;
    oneDisplay.displays.pop_back();
    EXPECT_FALSE(switcher.displayUnderMouse(oneDisplay));

    SpaceSnapshot unknown = s;
    unknown.displays[1].id = QStringLiteral("not-a-uuid");
    EXPECT_FALSE(switcher.displayUnderMouse(unknown));
}

} // namespace
