#include "App/EntryMode.h"
#include "App/SwitchMode.h"

#include "Core/Settings/Settings.h"
#include "Platform/Sim/SimDock.h"
#include "Platform/Sim/SimEvents.h"

#include "tests/support/SimWorldTest.h"

using namespace lumivast;
using lumivast::test::SimWorldTest;

namespace {

TEST(EntryModeTest, WholeNumbers)
{
    const std::pair<const char*, std::optional<qint64>> cases[] = {
        {"3", 3}, {"+3", 3}, {"-2", -2}, {"007", 7}, {"0", 0},
        {"9223372036854775807", 9223372036854775807LL}, {"-9223372036854775808", -9223372036854775807LL - 1},
        {"9223372036854775808", std::nullopt}, {"", std::nullopt}, {"+", std::nullopt}, {"-", std::nullopt},
        {"3a", std::nullopt}, {" 3", std::nullopt}, {"3.0", std::nullopt}, {"+-3", std::nullopt},
        {"\u0663", std::nullopt}, // an Arabic-Indic three
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parseWholeNumber(QString::fromUtf8(text)), expected) << text;
}

TEST(EntryModeTest, FirstMatchingTestWins)
{
    using K = EntryMode::Kind;
    struct Case {
        QStringList arguments;
        K kind;
        qint64 desktop;
        bool classic;
    };
    const Case cases[] = {
        {{"--switch", "3", "--probe"}, K::probe, 0, false},
        {{"--capture", "--probe"}, K::probe, 0, false},
        {{"--capture", "--switch", "3"}, K::switchDesktop, 3, false},
        {{"--switch", "--capture"}, K::capture, 0, false},
        {{"--switch", "x", "--capture"}, K::capture, 0, false},
        {{"--Capture"}, K::normal, 0, false},
        {{"--switch", "3"}, K::switchDesktop, 3, false},
        {{"classic", "--switch", "-4"}, K::switchDesktop, -4, true},
        {{"--switch", "2", "--switch", "5"}, K::switchDesktop, 2, false},
        {{"--switch", "x", "3"}, K::normal, 0, false},
        {{"--switch"}, K::normal, 0, false},
        {{"--Switch", "3"}, K::normal, 0, false},
        {{}, K::normal, 0, false},
    };
    for (const Case& c : cases) {
        const EntryMode mode = chooseEntryMode(c.arguments);
        EXPECT_EQ(mode.kind, c.kind) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(mode.desktop, c.desktop) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(mode.classic, c.classic) << c.arguments.join(' ').toStdString();
    }
}

class SwitchModeTest : public SimWorldTest {
protected:
    SwitchModeTest() { use(SimWorld::defaultWorld()); }

    void use(std::shared_ptr<SimWorld> w)
    {
        install(std::move(w));
        world->dock().setScheduler(scheduler);
    }
    void useFixture(const char* name)
    {
        QString error;
        auto w = SimWorld::fromFile(test::fixture(QStringLiteral("worlds/") + name), &error);
        ASSERT_TRUE(w) << error.toStdString();
        use(w);
    }

    int run(qint64 desktop, bool classic = false)
    {
        lines.clear();
        const Duration start = scheduler.now();
        SwitchModeIO io;
        io.print = [this](const QString& line) { lines << line; };
        io.wait = [this](Duration d) { scheduler.advance(d); };
        const int code = runSwitchMode(desktop, classic, scheduler, io);
        elapsed = scheduler.now() - start;
        return code;
    }

    QStringList lines;
    Duration elapsed{0};
};

TEST_F(SwitchModeTest, SwitchesAndStopsAtTheFirstCheckThatSeesTheDesktop)
{
    EXPECT_EQ(run(3), 0);
    EXPECT_EQ(lines, (QStringList{
                         "hotkey 120: bound=true keyCode=20 mods=0x40000 enabled=true",
                         "accessibility trusted: true",
                         "switch to desktop 3: posted",
                         "  after +0.2s active desktop: 3",
                     }));
    EXPECT_EQ(elapsed, 200ms);
    // An instant switch: gestures, no key press.
    for (const auto& posted : world->events().posted())
        EXPECT_EQ(posted.event.type, InputEvent::Type::null);

    EXPECT_EQ(run(3), 0); // already active
    EXPECT_EQ(lines[2], "switch to desktop 3: posted");
    EXPECT_EQ(lines.size(), 4);
}

TEST_F(SwitchModeTest, NoSuchDesktop)
{
    for (qint64 n : {9LL, 0LL, -1LL, 9223372036854775807LL}) {
        EXPECT_EQ(run(n), 1) << n;
        EXPECT_EQ(lines, QStringList{QStringLiteral("desktop %1 not found").arg(n)});
    }
    use(worldFrom(R"({"connection": 0})"));
    EXPECT_EQ(run(1), 1);
    EXPECT_EQ(lines, QStringList{"desktop 1 not found"});
}

TEST_F(SwitchModeTest, BouncedGestureIsReportedAsNotReached)
{
    useFixture("bounce-back.json");
    EXPECT_EQ(run(3), 2);
    EXPECT_EQ(lines.mid(2), (QStringList{
                                "switch to desktop 3: posted",
                                "  after +0.2s active desktop: 1",
                                "  after +0.5s active desktop: 1",
                                "  after +1.0s active desktop: 1",
                                "  after +2.0s active desktop: 1",
                            }));
    EXPECT_EQ(elapsed, 3700ms);
    EXPECT_EQ(world->dock().log().filter("bounced").size(), 1);
}

TEST_F(SwitchModeTest, ClassicIsStoredAndUsed)
{
    useFixture("bounce-back.json");
    EXPECT_EQ(run(3, /*classic=*/true), 0);
    EXPECT_EQ(Settings::defaults().string(Settings::Key::switchMode), "classic");
    ASSERT_FALSE(world->events().posted().empty());
    EXPECT_EQ(world->events().posted().front().event.type, InputEvent::Type::keyDown);

    // Later runs without the word keep switching the classic way.
    world->events().clearLog();
    EXPECT_EQ(run(2), 0);
    EXPECT_EQ(world->events().posted().front().event.type, InputEvent::Type::keyDown);
}

TEST_F(SwitchModeTest, UnboundDisabledShortcutAndNoPermission)
{
    use(worldFrom(R"({
      "displays": [ {"spaces": [ {"managedID": 1}, {"managedID": 2}, {"managedID": 3}, {"managedID": 4}, {"managedID": 5} ]} ],
      "hotKeys": [ {"id": 122, "bound": false} ],
      "permissions": {"accessibility": false}
    })"));
    EXPECT_EQ(run(5), 2);
    EXPECT_EQ(lines, (QStringList{
                         "hotkey 122: bound=false keyCode=0 mods=0x0 enabled=false",
                         "accessibility trusted: false",
                         "switch to desktop 5: failed",
                         "  after +0.2s active desktop: 1",
                         "  after +0.5s active desktop: 1",
                         "  after +1.0s active desktop: 1",
                         "  after +2.0s active desktop: 1",
                     }));
}

TEST_F(SwitchModeTest, LockedScreenWarnsFirst)
{
    world->screenLocked = true;
    EXPECT_EQ(run(2), 2);
    EXPECT_EQ(lines.first(), "warning: screen is locked, the Dock ignores space switches until it is unlocked");
    EXPECT_EQ(lines[3], "switch to desktop 2: posted");
}

TEST_F(SwitchModeTest, OnlyTheMenuBarDisplayIsChecked)
{
    use(worldFrom(R"({
      "displays": [ {"identifier": "Main", "main": true, "spaces": [ {"managedID": 1}, {"managedID": 2, "type": "fullscreen"} ]},
                    {"uuid": "E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B", "spaces": [ {"managedID": 3}, {"managedID": 4} ]} ]
    })"));
    EXPECT_EQ(run(3), 2); // Desktop 3 is the second display's second Space
    EXPECT_EQ(world->displays[1].current, 4u);
    EXPECT_EQ(lines.last(), "  after +2.0s active desktop: 1");

    world->displays[0].current = 2; // a full-screen Space has no desktop number
    EXPECT_EQ(run(2), 2);
    EXPECT_EQ(lines.last(), "  after +2.0s active desktop: -1");
}

} // namespace
