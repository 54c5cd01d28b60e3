#include "Core/Switching/DockSwipe.h"
#include "Platform/Sim/SimEvents.h"

#include "tests/support/SimWorldTest.h"

#include <QtEndian>

using namespace lumivast;
using lumivast::test::SimWorldTest;

namespace {

class DockSwipeTest : public SimWorldTest {
protected:
    void useVersion(int major)
    {
        auto w = SimWorld::defaultWorld();
        w->osMajorVersion = major;
        install(w);
    }
    const std::vector<SimEvents::Posted>& posted() { return world->events().posted(); }
};

quint32 u32(const QByteArray& payload, int offset)
{
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(payload.constData()) + offset);
}
qint32 i32(const QByteArray& payload, int offset)
{
    return qFromLittleEndian<qint32>(reinterpret_cast<const uchar*>(payload.constData()) + offset);
}

TEST(DockSwipeFixed, SixteenDotSixteenClampedAndTruncated)
{
    const std::pair<double, std::int32_t> cases[] = {
        {0.1, 6553},      {1.0, 65536},           {-1.0, -65536},       {9999.0, 655294464},
        {-9999.0, -655294464}, {-0.5, -32768},    {-0.00001, 0},        {40000.0, 2147483647},
        {-40000.0, -2147483647 - 1}, {32767.99999, 2147483647}, {0.0, 0},
    };
    for (const auto& [x, expected] : cases)
        EXPECT_EQ(DockSwipe::fixed(x), expected) << x;
}

TEST_F(DockSwipeTest, PlainSwipeRepostsOneEventPerPhase)
{
    useVersion(26);
    ASSERT_TRUE(DockSwipe::postSwipe(-3));
    ASSERT_EQ(posted().size(), 6u);
    const qint64 phases[] = {1, 4, 1, 4, 1, 4};
    for (std::size_t i = 0; i < 6; ++i) {
        const InputEvent& e = posted()[i].event;
        EXPECT_EQ(posted()[i].tap, EventTap::session);
        EXPECT_EQ(e.integerField(132), phases[i]);
        EXPECT_EQ(e.integerField(55), 30);
        EXPECT_EQ(e.integerField(110), 23);
        EXPECT_EQ(e.integerField(123), 1);
        EXPECT_EQ(e.doubleField(124), -1.0);
        EXPECT_EQ(e.doubleField(129), -9999.0);
        EXPECT_FALSE(e.hasField(134));
        EXPECT_TRUE(e.trailingData.isEmpty());
    }
    // The plain form ignores the scrolling preference.
    world->globalPreferences["com.apple.swipescrolldirection"] = PlistValue(false);
    ASSERT_TRUE(DockSwipe::postSwipe(1));
    EXPECT_EQ(posted().back().event.doubleField(124), 1.0);
}

TEST_F(DockSwipeTest, AugmentedSwipesForDistancesAndDirections)
{
    struct Case {
        int steps;
        bool natural;
        double direction;
    };
    const Case cases[] = {
        {1, true, 1.0}, {2, true, 1.0}, {-1, true, -1.0}, {-3, true, -1.0},
        {2, false, -1.0}, {-2, false, 1.0},
    };
    for (const Case& c : cases) {
        useVersion(27);
        world->globalPreferences["com.apple.swipescrolldirection"] = PlistValue(c.natural ? 1 : 0);
        world->events().fixedHostTime = 123456789;
        ASSERT_TRUE(DockSwipe::postSwipe(c.steps)) << c.steps;
        ASSERT_EQ(posted().size(), std::size_t(3 * std::abs(c.steps))) << c.steps;
        for (std::size_t i = 0; i < posted().size(); ++i) {
            SCOPED_TRACE(testing::Message() << "steps " << c.steps << " natural " << c.natural << " event " << i);
            const InputEvent& e = posted()[i].event;
            constexpr qint64 phases[] = {1, 2, 4};
            const qint64 phase = phases[i % 3];
            const double velocity = c.direction * 9999.0;
            EXPECT_EQ(e.integerField(132), phase);
            EXPECT_EQ(e.integerField(134), phase);
            EXPECT_EQ(e.doubleField(124), c.direction);
            EXPECT_EQ(e.doubleField(129), velocity);
            EXPECT_EQ(e.doubleField(130), 0.0);
            EXPECT_EQ(e.doubleField(138), 3.0);
            EXPECT_EQ(e.doubleField(125), 0.1);
            EXPECT_EQ(e.doubleField(169), 123456789.0);

            ASSERT_EQ(e.trailingData.size(), 100);
            EXPECT_EQ(e.trailingData.left(4), QByteArray("\x00\x60\x10\x6D", 4));
            const QByteArray p = e.trailingData.mid(4);
            EXPECT_EQ(qFromLittleEndian<quint64>(reinterpret_cast<const uchar*>(p.constData())), e.timestamp);
            EXPECT_EQ(p.mid(8, 16), QByteArray(16, '\0'));
            EXPECT_EQ(u32(p, 24), 2u);
            EXPECT_EQ(u32(p, 28), 40u);
            EXPECT_EQ(u32(p, 32), 23u);
            EXPECT_EQ(u32(p, 36), quint32(phase) << 24);
            EXPECT_EQ(u32(p, 40), 0u);
            EXPECT_EQ(i32(p, 44), 6553);
            EXPECT_EQ(i32(p, 48), 0);
            EXPECT_EQ(p.mid(52, 8), QByteArray(8, '\0'));
            EXPECT_EQ(u32(p, 60), 0x00030001u);
            EXPECT_EQ(i32(p, 64), c.direction > 0 ? -65536 : 65536);
            EXPECT_EQ(u32(p, 68), 28u);
            EXPECT_EQ(u32(p, 72), 9u);
            EXPECT_EQ(u32(p, 76), 0u);
            EXPECT_EQ(u32(p, 80), 1u);
            EXPECT_EQ(i32(p, 84), c.direction > 0 ? -655294464 : 655294464);
            EXPECT_EQ(p.mid(88, 8), QByteArray(8, '\0'));
        }
    }
}

TEST_F(DockSwipeTest, PhaseTwoPayloadBytes)
{
    useVersion(27);
    auto event = world->events().createEvent();
    event->setDoubleField(125, 0.1);
    event->setDoubleField(124, 1.0);
    const QByteArray p = DockSwipe::iohidPayload(*event, 2, 9999.0);
    ASSERT_EQ(p.size(), 96);
    EXPECT_EQ(p.mid(36, 4), QByteArray("\x00\x00\x00\x02", 4));
    EXPECT_EQ(p.mid(44, 4), QByteArray("\x99\x19\x00\x00", 4));
}

TEST_F(DockSwipeTest, ZeroTimestampFallsBackToTheHostClock)
{
    useVersion(27);
    world->events().zeroTimestamps = true;
    world->events().fixedHostTime = 0xA1B2C3D4E5F6ull;
    auto event = world->events().createEvent();
    ASSERT_EQ(event->timestamp, 0u);
    const QByteArray p = DockSwipe::iohidPayload(*event, 1, 9999.0);
    EXPECT_EQ(qFromLittleEndian<quint64>(reinterpret_cast<const uchar*>(p.constData())), 0xA1B2C3D4E5F6ull);
}

TEST_F(DockSwipeTest, FailuresPostNothingFurther)
{
    for (int version : {26, 27}) {
        useVersion(version);
        EXPECT_FALSE(DockSwipe::postSwipe(0)) << version;
        world->events().refuseEvents = true;
        EXPECT_FALSE(DockSwipe::postSwipe(2)) << version;
        EXPECT_TRUE(posted().empty()) << version;
    }
    useVersion(27);
    world->events().dataVersion = 1;
    EXPECT_FALSE(DockSwipe::postSwipe(1));
    EXPECT_TRUE(posted().empty());
}

TEST_F(DockSwipeTest, NaturalScrollingPreference)
{
    const std::pair<std::optional<PlistValue>, bool> cases[] = {
        {std::nullopt, true}, {PlistValue(0), false}, {PlistValue(false), false}, {PlistValue(true), true},
        {PlistValue(2), true}, {PlistValue(0.0), false}, {PlistValue(0.5), true}, {PlistValue("0"), true},
    };
    for (const auto& [value, expected] : cases) {
        world->globalPreferences.clear();
        if (value)
            world->globalPreferences["com.apple.swipescrolldirection"] = *value;
        EXPECT_EQ(DockSwipe::naturalScrollingEnabled(), expected);
    }
}

TEST_F(DockSwipeTest, PayloadNeedIsFixedPerInstalledPlatform)
{
    useVersion(27);
    EXPECT_TRUE(DockSwipe::requiresIOHIDPayload());
    world->osMajorVersion = 26;
    EXPECT_TRUE(DockSwipe::requiresIOHIDPayload());
    useVersion(26);
    EXPECT_FALSE(DockSwipe::requiresIOHIDPayload());
}

} // namespace
