#include "Core/Windows/AX.h"

#include "tests/Core/WindowWorld.h"

using namespace lumivast;
using lumivast::test::WindowWorldTest;

namespace {

class AXTest : public WindowWorldTest {
protected:
    sysfn::AXElementRef appElement(std::int32_t pid) { return world->dockElements().applicationElement(pid); }
    std::uint32_t numberOf(sysfn::AXElementRef element) { return world->windowIDForElement(element).value_or(0); }
};

TEST_F(AXTest, WindowsAreListedInTheApplicationsOrderWithTheListTimeout)
{
    const auto list = AX::windows(402);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(numberOf(list[0]), 12u);
    EXPECT_EQ(numberOf(list[1]), 13u);
    EXPECT_EQ(world->accessibility().messagingTimeout(appElement(402)), 0.3);
    EXPECT_EQ(AX::element(13, 402), list[1]);
}

TEST_F(AXTest, NothingIsFoundWhereNothingCanBeRead)
{
    SimWorld::App empty;
    empty.pid = 407;
    empty.bundleID = QStringLiteral("org.example.empty");
    world->apps.push_back(empty);
    EXPECT_TRUE(AX::windows(407).empty());
    EXPECT_EQ(AX::element(12, 407), std::nullopt);
    EXPECT_EQ(AX::element(12, 401), std::nullopt); // another application's window
    EXPECT_TRUE(AX::windows(999).empty());          // no such process

    world->app(402)->unresponsive = true; // times out
    EXPECT_TRUE(AX::windows(402).empty());
    EXPECT_EQ(AX::focusedWindowID(402), std::nullopt);

    world->app(402)->unresponsive = false;
    world->accessibilityTrusted = false;
    EXPECT_TRUE(AX::windows(402).empty());
    EXPECT_EQ(AX::focusedWindowID(402), std::nullopt);
}

TEST_F(AXTest, TheFirstOfTwoElementsWithTheSameNumberIsTaken)
{
    // Both windows of the editor report number 7 to the bridge.
    world->registerFunction(SimWorld::kApplicationServicesPath, "_AXUIElementGetWindow",
                            sysfn::AXUIElementGetWindow([](sysfn::AXElementRef, std::uint32_t* id) {
                                *id = 7;
                                return 0;
                            }));
    const auto list = AX::windows(402);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(AX::element(7, 402), list[0]);
}

TEST_F(AXTest, SetFrameSetsPositionBeforeSize)
{
    const auto element = AX::element(12, 402);
    ASSERT_TRUE(element);
    AX::setFrame(*element, QRectF(10, 20, 300, 200));
    EXPECT_EQ(window(12).frame, QRectF(10, 20, 300, 200));

    window(13).refusesSize = true;
    world->accessibility().clearLog();
    AX::setFrame(*AX::element(13, 402), QRectF(30, 40, 300, 200));
    EXPECT_EQ(window(13).frame, QRectF(30, 40, 800, 600)); // moved, not resized
    EXPECT_EQ(axLog(), (QStringList{"position 13", "size 13 refused"}));
}

TEST_F(AXTest, FocusedWindowIdUsesTheShortTimeout)
{
    showSpace(2);
    EXPECT_EQ(AX::focusedWindowID(402), 12u); // the front one on the Space shown
    world->app(402)->focusedWindow = 13;
    EXPECT_EQ(AX::focusedWindowID(402), 13u);
    EXPECT_EQ(world->accessibility().messagingTimeout(appElement(402)), 0.25);
    EXPECT_EQ(AX::focusedWindowID(401), std::nullopt); // its only window is on another Space
}

TEST_F(AXTest, ANumberOfZeroFromTheBridgeIsPassedOn)
{
    world->registerFunction(SimWorld::kApplicationServicesPath, "_AXUIElementGetWindow",
                            sysfn::AXUIElementGetWindow([](sysfn::AXElementRef, std::uint32_t* id) {
                                *id = 0;
                                return 0;
                            }));
    EXPECT_EQ(AX::focusedWindowID(401), 0u);
    EXPECT_EQ(AX::focusedWindowID(403), std::nullopt); // its window is on a Space not shown
}

} // namespace
