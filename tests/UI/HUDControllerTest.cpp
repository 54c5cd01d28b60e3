#include "Core/Demo/DemoMode.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/AppPaths.h"
#include "Core/Spaces/HexColor.h"
#include "Core/Spaces/SpaceStore.h"
#include "UI/HUD/HUDController.h"
#include "UI/Panels/Panel.h"
#include "tests/support/SimWorldTest.h"

#include <QImage>
#include <QJsonObject>
#include <QPainter>

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

const char* const kLeftUuid = "11111111-1111-4111-8111-111111111111";
const char* const kRightUuid = "22222222-2222-4222-8222-222222222222";

// Two displays side by side; the pointer is on the right one.
const char* const kTwoDisplays = R"({
  "displays": [
    {"uuid": "11111111-1111-4111-8111-111111111111", "main": true, "frame": {"x": 0, "y": 0, "w": 1512, "h": 982},
     "spaces": [{"managedID": 1}]},
    {"uuid": "22222222-2222-4222-8222-222222222222", "frame": {"x": 1512, "y": 0, "w": 1920, "h": 1080},
     "menuBarHeight": 30, "spaces": [{"managedID": 2}]}
  ],
  "pointer": {"x": 2000, "y": 500}
})";

// The fade runs in 16 ms frames; it is over within one frame after its 0.25 s.
constexpr Duration kFadeOut = HUDController::fadeOutDuration + 16ms;

class HUDControllerTest : public test::SimWorldTest {
protected:
    void SetUp() override
    {
        install(worldFrom(kTwoDisplays));
        Settings::registerDefaults();
        DemoMode::resetForTesting();
    }
    void TearDown() override { DemoMode::resetForTesting(); }

    static Space desktop(int number, const char* display)
    {
        Space space;
        space.id = QStringLiteral("space-%1").arg(number);
        space.managedID = number;
        space.displayID = QString::fromLatin1(display);
        space.desktopNumber = number;
        return space;
    }

    ScreenInfo screen(std::size_t index) { return world->screens().at(index); }

    // How long the panel stays up after a presentation starts (before the fade).
    Duration shownFor()
    {
        Duration elapsed = 0ms;
        while (hud.isShowing() && !hud.panel()->isFadingOut() && elapsed < 10s) {
            scheduler.advance(10ms);
            elapsed += 10ms;
        }
        return elapsed;
    }

    HUDController hud{scheduler};
    SpaceStore store{scheduler, AppPaths::file(QStringLiteral("spaces.json"))};
};

TEST_F(HUDControllerTest, ToastShowsTheTextUnchangedWithItsSymbolOrTheWarning)
{
    struct Case {
        QString symbol;
        bool isError;
        QString shownSymbol;
        QColor color;
    };
    const Case cases[] = {
        {HUDController::defaultToastSymbol, false, "checkmark.circle.fill", QColor(52, 199, 89)},
        {"bolt", false, "bolt", QColor(52, 199, 89)},
        {"bolt", true, "exclamationmark.triangle.fill", QColor(255, 149, 0)},
        {HUDController::defaultToastSymbol, true, "exclamationmark.triangle.fill", QColor(255, 149, 0)},
    };
    Settings::defaults().set(Settings::Key::hudSize, "large"); // toasts keep their own scale
    for (const Case& c : cases) {
        SCOPED_TRACE(c.symbol.toStdString() + (c.isError ? " error" : ""));
        hud.toast("Moved <b>1</b> window %1 \\n", c.symbol, c.isError);
        ASSERT_TRUE(hud.lastPresentation());
        const HUDView& view = hud.lastPresentation()->view;
        EXPECT_EQ(view.title, "Moved <b>1</b> window %1 \\n");
        EXPECT_FALSE(view.subtitle);
        EXPECT_FALSE(view.customIcon);
        EXPECT_EQ(view.symbol, c.shownSymbol);
        EXPECT_EQ(view.color, c.color);
        EXPECT_DOUBLE_EQ(view.scale, 0.85);
        EXPECT_TRUE(hud.isShowing());
    }
}

TEST_F(HUDControllerTest, ToastGoesToTheScreenUnderThePointerAndTheSwitchHUDToItsSpacesDisplay)
{
    hud.toast("Saved");
    EXPECT_EQ(hud.lastPresentation()->screen, screen(1));

    hud.show(desktop(1, kLeftUuid), store);
    EXPECT_EQ(hud.lastPresentation()->screen, screen(0));

    // Pointer off every screen: the main screen. Unknown display: the main screen.
    world->pointer = QPointF(-500, -500);
    hud.toast("Saved");
    EXPECT_EQ(hud.lastPresentation()->screen, screen(0));
    hud.show(desktop(2, "33333333-3333-4333-8333-333333333333"), store);
    EXPECT_EQ(hud.lastPresentation()->screen, screen(0));
    hud.show(desktop(2, kRightUuid), store);
    EXPECT_EQ(hud.lastPresentation()->screen, screen(1));
}

TEST_F(HUDControllerTest, TheRowThatSpansEveryScreenShowsOnTheOneWithThePointer)
{
    // "Main": one row over several screens (the monitors of one X screen); the main screen is its own.
    hud.show(desktop(1, "Main"), store);
    EXPECT_EQ(hud.lastPresentation()->screen, screen(1));
    world->pointer = QPointF(100, 100);
    hud.show(desktop(1, "Main"), store);
    EXPECT_EQ(hud.lastPresentation()->screen, screen(0));
    world->pointer = QPointF(-500, -500);
    hud.show(desktop(1, "Main"), store);
    EXPECT_EQ(hud.lastPresentation()->screen, screen(0));
}

TEST_F(HUDControllerTest, PlacedInTheVisibleFrameByTheHUDPositionSetting)
{
    // Right display, bottom-left coordinates: frame (1512, -98, 1920, 1080), 30 px menu bar.
    ASSERT_EQ(screen(1).visibleFrame, QRectF(1512, -98, 1920, 1050));
    for (const char* position : {"top", "center", "bottom"}) {
        SCOPED_TRACE(position);
        Settings::defaults().set(Settings::Key::hudPosition, position);
        hud.toast("Saved to the clipboard");
        const QRectF frame = hud.lastPresentation()->frame;
        const QSizeF size = hud.lastPresentation()->view.fittingSize();
        EXPECT_EQ(frame.size(), size);
        EXPECT_NEAR(frame.center().x(), 1512 + 1920 / 2.0, 0.5); // whole pixels
        if (QLatin1String(position) == QLatin1String("top"))
            EXPECT_DOUBLE_EQ(frame.top() + frame.height(), -98 + 1050 - 40); // upper edge 40 below the top
        else if (QLatin1String(position) == QLatin1String("center"))
            EXPECT_NEAR(frame.center().y(), -98 + 1050 / 2.0, 0.5);
        else
            EXPECT_DOUBLE_EQ(frame.top(), -98 + 80); // lower edge (margin included) 80 above the bottom
        EXPECT_EQ(hud.panel()->modelFrame(), frame);
    }
}

TEST_F(HUDControllerTest, LongTextIsElidedInTheMiddleToFitTheVisibleFrame)
{
    world->pointer = QPointF(700, 400); // the 1512 px display
    const QString message = QStringLiteral("Start ") + QString(288, QLatin1Char('m')) + QStringLiteral(" end");
    hud.toast(message);
    const auto& shown = *hud.lastPresentation();
    const QRectF visible = screen(0).visibleFrame;
    EXPECT_LE(shown.frame.width(), visible.width());
    EXPECT_GE(shown.frame.left(), visible.left());
    EXPECT_LE(shown.frame.right(), visible.right());
    EXPECT_EQ(shown.view.title, message); // the message itself is kept whole
    const QString line = shown.view.shownTitle();
    EXPECT_TRUE(line.startsWith(QStringLiteral("Start m"))) << line.toStdString();
    EXPECT_TRUE(line.endsWith(QStringLiteral("m end"))) << line.toStdString();
    EXPECT_TRUE(line.contains(QChar(0x2026)));
    EXPECT_EQ(hud.panel()->modelFrame().size(), shown.view.fittingSize());

    // The switch HUD's note line too; short lines stay whole.
    store.setNote(QString(400, QLatin1Char('n')), QStringLiteral("space-1"));
    hud.show(desktop(1, kLeftUuid), store);
    EXPECT_LE(hud.lastPresentation()->frame.width(), visible.width());
    EXPECT_TRUE(hud.lastPresentation()->view.shownSubtitle()->contains(QChar(0x2026)));
    EXPECT_EQ(hud.lastPresentation()->view.shownTitle(), QStringLiteral("Desktop 1"));
}

TEST_F(HUDControllerTest, WithoutACompositingManagerTheCapsuleIsOpaqueAndTheWindowCutToIt)
{
    for (bool compositing : {true, false}) {
        SCOPED_TRACE(compositing);
        auto w = worldFrom(compositing ? kTwoDisplays : R"({"compositingManager": false,
            "displays": [{"uuid": "11111111-1111-4111-8111-111111111111", "main": true,
                          "frame": {"x": 0, "y": 0, "w": 1512, "h": 982}, "spaces": [{"managedID": 1}]}]})");
        install(w);
        HUDController fresh(scheduler);
        fresh.toast("Copied");
        auto* panel = const_cast<Panel*>(fresh.panel());
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->isTranslucent(), compositing);
        EXPECT_EQ(fresh.lastPresentation()->view.opaque, !compositing);

        const QImage image = panel->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        const QPoint middle(image.width() - 40, image.height() / 2);
        EXPECT_EQ(image.pixelColor(middle).alpha() == 255, !compositing);
        const int m = int(HUDView::outerMargin);
        if (compositing) {
            EXPECT_TRUE(panel->mask().isEmpty());
            // The shadow reaches below the capsule.
            EXPECT_GT(image.pixelColor(image.width() / 2, image.height() - m + 4).alpha(), 0);
        } else {
            const QRegion mask = panel->mask();
            EXPECT_TRUE(mask.contains(middle));
            EXPECT_FALSE(mask.contains(QPoint(m + 1, m + 1)));   // the capsule's rounded corner
            EXPECT_FALSE(mask.contains(QPoint(image.width() / 2, image.height() - m + 4))); // no shadow room
        }
    }
    QString error;
    EXPECT_FALSE(SimWorld::fromJson(QJsonObject{{"compositingManager", "no"}}, &error));
    EXPECT_EQ(error, "compositingManager must be true or false");
}

TEST_F(HUDControllerTest, DurationsFollowTheSettingWithAMinimumForToasts)
{
    struct Case {
        double setting;
        Duration toast;
        Duration switchHUD;
    };
    const Case cases[] = {{0.5, 1600ms, 500ms}, {1.2, 1600ms, 1200ms}, {3.0, 3000ms, 3000ms}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setting);
        Settings::defaults().set(Settings::Key::hudDuration, c.setting);

        hud.toast("Done");
        EXPECT_EQ(hud.lastPresentation()->duration, c.toast);
        EXPECT_EQ(shownFor(), c.toast);
        scheduler.advance(kFadeOut);
        EXPECT_FALSE(hud.isShowing());

        hud.show(desktop(1, kLeftUuid), store);
        EXPECT_EQ(hud.lastPresentation()->duration, c.switchHUD);
        EXPECT_EQ(shownFor(), c.switchHUD);
        scheduler.advance(kFadeOut);
        EXPECT_FALSE(hud.isShowing());
    }
}

TEST_F(HUDControllerTest, EachPresentationReplacesTheLastAndRestartsTheTimer)
{
    hud.show(desktop(1, kLeftUuid), store);
    scheduler.advance(500ms);
    hud.toast("First");
    EXPECT_EQ(hud.lastPresentation()->view.title, "First"); // replaces the switch HUD at once
    scheduler.advance(500ms);
    hud.toast("Second");
    // The first toast's hide would fall at 1.6 s from its start: it no longer does.
    EXPECT_EQ(shownFor(), 1600ms);
    EXPECT_EQ(hud.lastPresentation()->view.title, "Second");
    scheduler.advance(kFadeOut);
    EXPECT_FALSE(hud.isShowing());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(HUDControllerTest, APresentationDuringTheFadeOutIsNotHiddenByIt)
{
    hud.toast("First");
    scheduler.advance(1600ms + 100ms); // fading out
    ASSERT_TRUE(hud.panel()->isFadingOut());

    hud.toast("Second");
    EXPECT_DOUBLE_EQ(hud.panel()->opacity(), 1.0);
    scheduler.advance(500ms); // well past the end of the old fade
    EXPECT_TRUE(hud.isShowing());
    EXPECT_DOUBLE_EQ(hud.panel()->opacity(), 1.0);
    scheduler.advance(1100ms + kFadeOut);
    EXPECT_FALSE(hud.isShowing());
}

TEST_F(HUDControllerTest, SwitchHUDOnlyWhenEnabledWhileToastsAlwaysShow)
{
    Settings::defaults().set(Settings::Key::hudEnabled, false);
    hud.show(desktop(1, kLeftUuid), store);
    EXPECT_FALSE(hud.lastPresentation());
    EXPECT_FALSE(hud.isShowing());

    hud.toast("Still shown");
    ASSERT_TRUE(hud.isShowing());
    hud.show(desktop(1, kLeftUuid), store); // leaves the toast alone
    EXPECT_EQ(hud.lastPresentation()->view.title, "Still shown");
    EXPECT_EQ(shownFor(), 1600ms);
}

TEST_F(HUDControllerTest, SwitchHUDShowsTheStoredNameNoteSymbolAndColour)
{
    const Space space = desktop(1, kLeftUuid);
    hud.show(space, store);
    HUDView view = hud.lastPresentation()->view;
    EXPECT_EQ(view.title, "Desktop 1");
    EXPECT_FALSE(view.subtitle);
    EXPECT_EQ(view.symbol, store.symbol(space));
    EXPECT_EQ(view.color, QColor(Qt::white));
    EXPECT_DOUBLE_EQ(view.scale, 1.0);

    store.setName(QStringLiteral("Mail"), space.id);
    store.setNote(QStringLiteral("answer Bob"), space.id);
    store.setSymbol(QStringLiteral("envelope"), space.id);
    store.setColor(QStringLiteral("#4F7BF7"), space.id);
    Settings::defaults().set(Settings::Key::hudSize, "small");
    hud.show(space, store);
    view = hud.lastPresentation()->view;
    EXPECT_EQ(view.title, "Mail");
    EXPECT_EQ(view.subtitle, "answer Bob");
    EXPECT_EQ(view.symbol, "envelope");
    EXPECT_EQ(view.color, QColor(0x4F, 0x7B, 0xF7));
    EXPECT_DOUBLE_EQ(view.scale, 0.8);

    store.setColor(QStringLiteral("not a colour"), space.id);
    hud.show(space, store);
    EXPECT_EQ(hud.lastPresentation()->view.color, QColor(Qt::white));
}

TEST_F(HUDControllerTest, SwitchHUDDrawsACustomIconAndTakesDemoColours)
{
    const Space space = desktop(1, kLeftUuid);
    QImage icon(64, 64, QImage::Format_ARGB32);
    icon.fill(Qt::red);
    const QString iconPath = home.path("icon.png");
    ASSERT_TRUE(icon.save(iconPath));
    store.setCustomIcon(iconPath, space.id);
    store.setColor(QStringLiteral("#FF0000"), space.id);

    hud.show(space, store);
    const HUDView view = hud.lastPresentation()->view;
    ASSERT_TRUE(view.customIcon);
    EXPECT_EQ(view.customIcon->size(), QSize(128, 128));
    EXPECT_EQ(view.color, QColor(Qt::red));

    Settings::defaults().set(Settings::Key::demoMode, true);
    DemoMode::resetForTesting();
    const DemoMode::Sample* sample = DemoMode::sample(space);
    ASSERT_NE(sample, nullptr);
    hud.show(space, store);
    EXPECT_EQ(hud.lastPresentation()->view.color, *colorFromHex(sample->colorHex));
}

TEST(HUDView, InnerSizesScaleButTheOuterMarginDoesNot)
{
    HUDView regular;
    regular.title = QStringLiteral("Desktop 3");
    regular.symbol = QStringLiteral("bolt");
    HUDView large = regular;
    large.scale = 1.5;
    const QSizeF r = regular.capsuleSize();
    const QSizeF l = large.capsuleSize();
    EXPECT_NEAR(l.width() / r.width(), 1.5, 0.1);
    EXPECT_NEAR(l.height() / r.height(), 1.5, 0.1);
    EXPECT_EQ(large.fittingSize(), QSizeF(std::ceil(l.width() + 32), std::ceil(l.height() + 32)));

    // The capsule grows with its text instead of wrapping; a subtitle adds a line.
    HUDView longer = regular;
    longer.title = regular.title.repeated(8);
    EXPECT_GT(longer.capsuleSize().width(), r.width() * 3);
    EXPECT_DOUBLE_EQ(longer.capsuleSize().height(), r.height());
    HUDView withNote = regular;
    withNote.subtitle = QStringLiteral("note");
    EXPECT_GT(withNote.capsuleSize().height(), r.height());
}

TEST_F(HUDControllerTest, PanelIsAClickThroughStatusLevelCapsuleThatNeverTakesFocus)
{
    hud.toast("Copied");
    const Panel* panel = hud.panel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->level(), Panel::Level::status);
    EXPECT_TRUE(panel->isClickThrough());
    EXPECT_TRUE(panel->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    hud.toast("Copied again");
    EXPECT_EQ(hud.panel(), panel); // one panel for every presentation

    const QImage image = const_cast<Panel*>(panel)->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(image.size(), hud.lastPresentation()->view.fittingSize().toSize());
    // Inside the capsule: dark, nearly opaque background.
    const QColor middle = image.pixelColor(image.width() - 30, image.height() / 2);
    EXPECT_GT(middle.alpha(), 150);
    EXPECT_LT(middle.red(), 60);
    // The outer margin above the shadow's reach and the corners stay clear.
    for (int x = 0; x < image.width(); ++x) {
        ASSERT_EQ(image.pixelColor(x, 0).alpha(), 0) << x;
        ASSERT_EQ(image.pixelColor(x, 4).alpha(), 0) << x;
    }
    EXPECT_EQ(image.pixelColor(0, image.height() - 1).alpha(), 0);
    EXPECT_EQ(image.pixelColor(image.width() - 1, image.height() - 1).alpha(), 0);
    // The symbol is drawn in green.
    int green = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width() / 3; ++x) {
            const QColor c = image.pixelColor(x, y);
            green += (c.green() > 120 && c.red() < 100 && c.alpha() > 200) ? 1 : 0;
        }
    EXPECT_GT(green, 20);
}

} // namespace

TEST(HUDControllerLongText, ALineNoScreenCanShowIsCutShort)
{
    lumivast::test::TempHome home;
    lumivast::VirtualScheduler scheduler;
    lumivast::HUDController hud(scheduler);
    hud.toast(QString(70000, QLatin1Char('x')), lumivast::HUDController::defaultToastSymbol, true);
    ASSERT_TRUE(hud.lastPresentation());
    EXPECT_EQ(hud.lastPresentation()->view.title.size(), 300);
    EXPECT_TRUE(hud.lastPresentation()->view.title.endsWith(QChar(0x2026)));
}
