#include "Platform/Platform.h"
#include "Platform/Sim/SimMouse.h"

#include "tests/support/SimWorldTest.h"

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

class SimPointerScriptTest : public test::SimWorldTest {
protected:
    SimPointerScriptTest()
    {
        QString error;
        auto w = SimWorld::fromFile(test::fixture(QStringLiteral("worlds/notch-hover.json")), &error);
        EXPECT_TRUE(w) << error.toStdString();
        if (w)
            install(w);
        // Timed again on the test's clock, now that the world runs on it.
        world->playPointerScript();
    }
};

} // namespace

TEST_F(SimPointerScriptTest, ScriptedMovesReachTheMonitorsOnTime)
{
    std::vector<QPointF> seen;
    const auto token = Platform::current().mouse().addGlobalMonitor(
        maskFor(MouseEventType::mouseMoved), [&](const MouseEvent& event) { seen.push_back(event.location); });
    ASSERT_TRUE(token);

    scheduler.advance(1499ms);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(Platform::current().screens().pointerLocation(), QPointF(700, 982 - 400));
    scheduler.advance(1ms);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], QPointF(756, 981)); // bottom-left, as the system reports it
    scheduler.advance(500ms);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(Platform::current().screens().pointerLocation(), QPointF(757, 981));
}

TEST_F(SimPointerScriptTest, ScreensAnswerTheNotchInsetAndTheMenuBar)
{
    Screens& screens = Platform::current().screens();
    EXPECT_EQ(screens.screens().at(0).safeAreaTopInset, 38);
    EXPECT_EQ(screens.menuBarThickness(), 24);

    // Without a notch there is no inset.
    world->displays[0].notchWidth = 0;
    EXPECT_EQ(screens.screens().at(0).safeAreaTopInset, 0);
}
