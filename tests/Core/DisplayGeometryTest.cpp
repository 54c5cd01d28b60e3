#include "Core/Spaces/DisplayGeometry.h"
#include "Platform/Coordinates.h"
#include "Core/Spaces/Permissions.h"

#include "tests/support/SimWorldTest.h"

using namespace lumivast;
using lumivast::test::SimWorldTest;

namespace {

// Main 1000x800 at the origin; a second display of 500x400 to its right, top-aligned.
const char* kGeometryWorld = R"({
  "displays": [ { "identifier": "Main", "uuid": "11111111-2222-3333-4444-555555555555", "name": "Left", "main": true,
                  "number": 5, "frame": {"x": 0, "y": 0, "w": 1000, "h": 800} },
                { "uuid": "AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE", "name": "Right", "number": 9,
                  "frame": {"x": 1000, "y": 0, "w": 500, "h": 400} } ]
})";

class DisplayGeometryTest : public SimWorldTest {
protected:
    DisplayGeometryTest() { install(worldFrom(kGeometryWorld)); }
};

TEST_F(DisplayGeometryTest, DisplayNumbers)
{
    EXPECT_EQ(DisplayGeometry::directDisplayID("Main"), 5u);
    EXPECT_EQ(DisplayGeometry::directDisplayID("AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE"), 9u);
    EXPECT_EQ(DisplayGeometry::directDisplayID("main"), std::nullopt);
    EXPECT_EQ(DisplayGeometry::directDisplayID("not-a-uuid"), std::nullopt);
    EXPECT_EQ(DisplayGeometry::directDisplayID("99999999-8888-7777-6666-555555555555"), std::nullopt); // not connected
}

TEST_F(DisplayGeometryTest, Screens)
{
    EXPECT_EQ(DisplayGeometry::screen(QStringLiteral("AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE"))->localizedName, "Right");
    EXPECT_EQ(DisplayGeometry::screen(QStringLiteral("Main"))->localizedName, "Left");
    ScreenInfo odd;
    odd.deviceDescription = PlistValue::dict({{"NSScreenNumber", "5"}});
    EXPECT_FALSE(DisplayGeometry::screen(odd, 5));
    odd.deviceDescription = PlistValue::dict({{"NSScreenNumber", std::int64_t(-1)}});
    EXPECT_FALSE(DisplayGeometry::screen(odd, 0xFFFFFFFF));
    // A valid number that no screen shows.
    world->displays[1].number = 0;
    EXPECT_FALSE(DisplayGeometry::screen(QStringLiteral("AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE")));
}

TEST_F(DisplayGeometryTest, TheRowShownOnAScreenIsTheOneWhoseDisplayItIs)
{
    SpaceSnapshot snapshot;
    snapshot.displays.push_back(DisplaySpaces{QStringLiteral("AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE")});
    snapshot.displays.push_back(DisplaySpaces{QStringLiteral("Main")});
    const auto left = DisplayGeometry::screen(QStringLiteral("Main"));
    const auto right = DisplayGeometry::screen(QStringLiteral("AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE"));
    ASSERT_TRUE(left && right);
    EXPECT_EQ(DisplayGeometry::displayShownOn(*left, snapshot), &snapshot.displays[1]);
    EXPECT_EQ(DisplayGeometry::displayShownOn(*right, snapshot), &snapshot.displays[0]);
    // No row for the right display: its screen shows none of them.
    snapshot.displays.erase(snapshot.displays.begin());
    EXPECT_EQ(DisplayGeometry::displayShownOn(*right, snapshot), nullptr);
}

TEST_F(DisplayGeometryTest, ScreenUnderThePointer)
{
    // Pointer positions are top-left in the world; the right display spans y 400..800 bottom-left.
    struct Case {
        QPointF pointer;
        const char* screen;
    };
    const Case cases[] = {
        {{10, 10}, "Left"},
        {{1200, 100}, "Right"},
        {{1000, 100}, "Right"},  // left edge belongs to the right screen
        {{1499.5, 100}, "Right"},
        {{1500, 100}, "Left"},   // right edge of the last screen: none, so the main screen
        {{1200, 600}, "Left"},   // below the right display: nowhere
        {{500, 0}, "Left"},      // the top edge is outside, falls back to main
    };
    for (const Case& c : cases) {
        world->pointer = c.pointer;
        EXPECT_EQ(DisplayGeometry::screenUnderMouse()->localizedName, c.screen) << c.pointer.x() << "," << c.pointer.y();
    }
    EXPECT_TRUE(Coordinates::containsHalfOpen(QRectF(0, 0, 10, 10), {0, 0}));
    EXPECT_FALSE(Coordinates::containsHalfOpen(QRectF(0, 0, 10, 10), {10, 5}));
    EXPECT_FALSE(Coordinates::containsHalfOpen(QRectF(0, 0, 10, 10), {5, 10}));
}

TEST_F(DisplayGeometryTest, PermissionsRequestThenOpenTheirPane)
{
    world->accessibilityTrusted = false;
    Permissions::requestAccessibility();
    Permissions::requestScreenRecording();
    Permissions::openDesktopSettings();
    Permissions::openKeyboardShortcuts();
    EXPECT_EQ(world->accessibilityPrompts(), 1);
    EXPECT_EQ(world->screenCaptureRequests(), 1);
    const QList<QUrl> expected = {QUrl(Permissions::kAccessibilityPane), QUrl(Permissions::kScreenRecordingPane),
                                  QUrl(Permissions::kDesktopSettings), QUrl(Permissions::kKeyboardShortcuts)};
    EXPECT_EQ(world->openedURLs(), expected);
}

} // namespace
