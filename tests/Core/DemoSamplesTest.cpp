#include "Core/Demo/DemoMode.h"
#include "Core/Settings/Settings.h"
#include "tests/support/SimWorldTest.h"

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

// Preview is installed, Figma is not.
constexpr const char* kPreviewOnly = R"({
  "displays": [ { "uuid": "D1", "main": true, "frame": {"x": 0, "y": 0, "w": 1440, "h": 900}, "current": 1,
                  "spaces": [ {"managedID": 1, "uuid": "S1"} ] } ],
  "installed": [ {"path": "/Applications/Preview.app", "bundleID": "com.apple.Preview"},
                 {"path": "/System/Applications/Mail.app", "bundleID": "com.apple.mail"},
                 {"path": "/System/Applications/Calendar.app", "bundleID": "com.apple.iCal"} ]
})";

class DemoSamplesTest : public test::SimWorldTest {
protected:
    void SetUp() override
    {
        DemoMode::resetForTesting();
        Settings::defaults().set(Settings::Key::demoMode, true);
        install(worldFrom(kPreviewOnly));
    }
    void TearDown() override { DemoMode::resetForTesting(); }
    static Space desktop(int number) { return Space{"X", 1, "Main", number, 0, false, std::nullopt, false}; }

    // Within a few steps of the expected colour in each channel.
    static void expectNear(QColor actual, QColor expected, int tolerance = 3)
    {
        EXPECT_NEAR(actual.red(), expected.red(), tolerance) << actual.name().toStdString();
        EXPECT_NEAR(actual.green(), expected.green(), tolerance) << actual.name().toStdString();
        EXPECT_NEAR(actual.blue(), expected.blue(), tolerance) << actual.name().toStdString();
    }
};

} // namespace

TEST_F(DemoSamplesTest, SamplesCarryTheirWindowsAndTheClientSearchWord)
{
    const auto& s = DemoMode::samples();
    EXPECT_EQ(s[1].windows[0].title, QString::fromUtf8("Lumivast \u2014 OverlayView"));
    EXPECT_EQ(s[3].name, QString::fromUtf8("Design \u00B7 Figma"));
    EXPECT_EQ(s[4].windows.size(), 1u);
    EXPECT_EQ(s[7].gradient, (std::pair<QString, QString>{"#2B2560", "#141130"}));
    // The tour types "north" into the window finder: both client windows must match.
    ASSERT_EQ(s[2].windows.size(), 2u);
    for (const DemoMode::SampleWindow& window : s[2].windows)
        EXPECT_TRUE(window.title.contains("north", Qt::CaseInsensitive)) << window.title.toStdString();
    EXPECT_TRUE(s[2].windows[0].title.contains(".example \u2014 Pricing"));
    EXPECT_TRUE(s[2].name.startsWith("Client: North"));
}

TEST_F(DemoSamplesTest, AppsSkipWhatIsNotInstalledButKeepTheirPositions)
{
    const auto design = DemoMode::apps(desktop(4));
    ASSERT_EQ(design.size(), 1u);
    EXPECT_EQ(design[0], (SpaceContents::AppOnSpace{-2, QString("com.apple.Preview"), "Preview", {}}));
    const auto mail = DemoMode::apps(desktop(9)); // desktop 9 shows the first sample again
    ASSERT_EQ(mail.size(), 2u);
    EXPECT_EQ(mail[0].pid, -1);
    EXPECT_EQ(mail[1].name, "Calendar");
    Space full = desktop(2);
    full.desktopNumber.reset();
    full.isFullscreen = true;
    EXPECT_TRUE(DemoMode::apps(full).empty());
}

TEST_F(DemoSamplesTest, PreviewIsCachedAtTheFirstSizeAskedFor)
{
    const auto first = DemoMode::thumbnail(desktop(1), QSize(320, 200));
    ASSERT_TRUE(first);
    const auto again = DemoMode::thumbnail(desktop(9), QSize(640, 400));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->size(), QSize(320, 200));
    EXPECT_EQ(again->cacheKey(), first->cacheKey());
}

TEST_F(DemoSamplesTest, TextBarWidthsVaryByWindowAndNotBySize)
{
    const auto expect = [](double x, std::array<double, 4> widths) {
        const auto actual = DemoMode::textBarFractions(x);
        for (std::size_t k = 0; k < 4; ++k)
            EXPECT_NEAR(actual[k], widths[k], 1e-9) << x << " bar " << k;
    };
    expect(0.04, {0.44, 0.61, 0.78, 0.50});
    expect(0.20, {0.60, 0.77, 0.49, 0.66});
    expect(0.55, {0.50, 0.67, 0.84, 0.56});
}

TEST_F(DemoSamplesTest, PreviewPixels)
{
    // Sample 2: one dark window at (0.04, 0.10, 0.92, 0.80) -> (16, 30, 368, 240) at 400 x 300.
    const QImage image = *DemoMode::thumbnail(desktop(2), QSize(400, 300));
    const auto mix = [](QColor a, QColor b, double t) {
        return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
                                float(a.blueF() + (b.blueF() - a.blueF()) * t));
    };
    const QColor top("#2A1F55");
    const QColor bottom("#120F2A");
    expectNear(image.pixelColor(200, 5), mix(top, Qt::black, 0.35));      // the menu strip over the gradient's top
    expectNear(image.pixelColor(200, 20), mix(top, bottom, 20.5 / 300));  // the gradient, start colour at the top
    expectNear(image.pixelColor(200, 40), QColor(46, 46, 46));             // the dark title bar
    expectNear(image.pixelColor(30, 150), QColor(33, 33, 33));             // the window body
    expectNear(image.pixelColor(100, 94), QColor(69, 69, 69));             // the first text bar (0.44 of 0.84 wide)
    expectNear(image.pixelColor(200, 94), QColor(33, 33, 33));             // past its end
    // The shadow darkens the background just below the window, and not far from it.
    const QColor below = image.pixelColor(200, 275);
    EXPECT_LT(below.lightness(), mix(top, bottom, 275.5 / 300).lightness() - 4);
    expectNear(image.pixelColor(200, 299), mix(top, bottom, 299.5 / 300));
}

TEST_F(DemoSamplesTest, WallpaperRunsThroughItsThreeColoursFromUpperLeftToLowerRight)
{
    const QImage image = DemoMode::wallpaper(QSize(400, 300));
    ASSERT_EQ(image.size(), QSize(400, 300));
    expectNear(image.pixelColor(0, 0), QColor("#1B1F3D"), 4);
    expectNear(image.pixelColor(200, 150), QColor("#0E1124"), 2);
    expectNear(image.pixelColor(399, 299), QColor("#1A1230"), 4);
    // Steep: moving down changes the colour far more than moving across.
    const auto distance = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
    };
    EXPECT_GT(distance(image.pixelColor(100, 60), image.pixelColor(100, 120)),
              distance(image.pixelColor(100, 60), image.pixelColor(160, 60)));
    EXPECT_NE(image.cacheKey(), DemoMode::wallpaper(QSize(400, 300)).cacheKey()); // drawn anew each time
}
