#include "Platform/Sim/SimPlatform.h"
#include "Platform/VirtualScheduler.h"
#include "UI/Panels/Panel.h"
#include "UI/Symbols/SymbolCatalogue.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace lumivast;

TEST(Panel, ModelFrameIsBottomLeftAndConvertedOnlyForQt)
{
    // A 200x100 panel 50 px above the bottom of a 982 px high primary screen.
    EXPECT_EQ(Panel::qtGeometry(QRectF(10, 50, 200, 100), 982), QRect(10, 832, 200, 100));
    EXPECT_EQ(Panel::qtGeometry(QRectF(0, 882, 300, 100), 982), QRect(0, 0, 300, 100));

    VirtualScheduler scheduler;
    Panel panel(scheduler, {});
    panel.setModelFrame(QRectF(10, 50, 200, 100));
    EXPECT_EQ(panel.modelFrame(), QRectF(10, 50, 200, 100));
    EXPECT_EQ(panel.geometry(), Panel::qtGeometry(QRectF(10, 50, 200, 100), Panel::primaryScreenHeight()));
}

TEST(Panel, NeverTakesFocusUnlessItTakesKeysAndCanBeClickThrough)
{
    VirtualScheduler scheduler;
    Panel hud(scheduler, {.takesKeys = false, .clickThrough = true});
    EXPECT_TRUE(hud.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(hud.windowFlags().testFlag(Qt::WindowTransparentForInput));
    hud.setClickThrough(false);
    EXPECT_FALSE(hud.windowFlags().testFlag(Qt::WindowTransparentForInput));

    Panel finder(scheduler, {.takesKeys = true});
    EXPECT_FALSE(finder.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
}

TEST(Panel, FadesOnTheSchedulerAndANewShowCancelsTheFadeOut)
{
    VirtualScheduler scheduler;
    Panel panel(scheduler, {});
    panel.present(200ms);
    EXPECT_TRUE(panel.isVisible());
    scheduler.advance(100ms);
    EXPECT_GT(panel.opacity(), 0.3);
    EXPECT_LT(panel.opacity(), 0.7);
    scheduler.advance(150ms);
    EXPECT_DOUBLE_EQ(panel.opacity(), 1.0);

    int completions = 0;
    panel.dismiss(300ms, [&] { ++completions; });
    scheduler.advance(100ms);
    EXPECT_TRUE(panel.isFadingOut());
    panel.present(); // shown again mid-fade: the old fade must not hide it
    scheduler.advance(1s);
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(completions, 0);
    EXPECT_DOUBLE_EQ(panel.opacity(), 1.0);

    panel.dismiss(300ms, [&] { ++completions; });
    scheduler.advance(400ms);
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(completions, 1);
}

TEST(Panel, HandsItsTraitsToThePlatformEachTimeItIsShown)
{
    auto platform = SimPlatform::create(SimWorld::defaultWorld());
    Platform::install(platform);
    const SimPanelWindows& recorded = platform->simPanelWindows();
    VirtualScheduler scheduler;
    Panel finder(scheduler, {.takesKeys = true, .level = Panel::Level::modal, .shadow = true});
    Panel label(scheduler, {.takesKeys = false, .clickThrough = true, .level = Panel::Level::belowNormal});
    EXPECT_TRUE(recorded.prepared.empty()) << "nothing before the first show";

    finder.present();
    label.present();
    ASSERT_EQ(recorded.prepared.size(), 2u);
    EXPECT_EQ(recorded.traitsOf(finder.windowHandle()),
              (PanelTraits{.takesKeys = true, .clickThrough = false, .level = PanelLevel::modal, .shadow = true}));
    EXPECT_EQ(recorded.traitsOf(label.windowHandle()),
              (PanelTraits{.takesKeys = false, .clickThrough = true, .level = PanelLevel::belowNormal, .shadow = false}));

    // A window system forgets a hidden window: the next show tells it again, with what changed meanwhile.
    label.dismiss();
    label.setClickThrough(false);
    label.present();
    EXPECT_EQ(recorded.prepared.size(), 3u);
    EXPECT_EQ(recorded.traitsOf(label.windowHandle())->clickThrough, false);
    Platform::install(SimPlatform::create(SimWorld::defaultWorld()));
}

TEST(SymbolCatalogue, KnownNamesDrawInTheirColourAndUnknownNamesDrawNothing)
{
    EXPECT_FALSE(SymbolCatalogue::contains("no.such.symbol"));
    EXPECT_TRUE(SymbolCatalogue::image("no.such.symbol", 32, Qt::red).isNull());
    EXPECT_TRUE(SymbolCatalogue::image("", 32, Qt::red).isNull());

    for (const char* name : {"rectangle.on.rectangle", "exclamationmark.triangle.fill", "checkmark.circle.fill", "bolt"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(SymbolCatalogue::contains(name));
        const QImage image = SymbolCatalogue::image(name, 32, QColor(0, 200, 0)).toImage();
        ASSERT_EQ(image.size(), QSize(32, 32));
        int drawn = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() > 128) {
                    ++drawn;
                    EXPECT_EQ(c.red(), 0);
                    EXPECT_EQ(c.blue(), 0);
                }
            }
        }
        EXPECT_GT(drawn, 20);
    }
}
