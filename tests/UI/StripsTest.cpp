#include "Core/Strips/StripModel.h"
#include "Core/Previews/ThumbnailService.h"
#include "Core/Spaces/HexColor.h"
#include "UI/MenuBar/BrandIcon.h"
#include "UI/Strips/DesktopLabelController.h"
#include "UI/Strips/FloatingToolbarController.h"
#include "UI/Strips/NotchStripController.h"
#include "tests/UI/PanelWorld.h"

#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

using namespace lumivast;
namespace K = Settings::Key;

namespace {

// The notch strip's timing as the product defines it, written out so a changed constant fails.
constexpr Duration kStripFadeIn = 140ms;
constexpr Duration kStripFadeOut = 120ms;
constexpr Duration kStripHideWatch = 200ms; // how often a showing strip checks where the pointer is

// A notched main display with three desktops and a full-screen Space (S1 has
// a window, S2 and S3 none), and a plain second display.
const char* const kStripWorld = R"({
  "displays": [
    {"uuid": "11111111-1111-4111-8111-111111111111", "main": true, "frame": {"x": 0, "y": 0, "w": 1512, "h": 982},
     "notch": {"width": 180}, "current": 1,
     "spaces": [ {"managedID": 1}, {"managedID": 2}, {"managedID": 3},
                 {"managedID": 9, "type": "fullscreen", "pid": 401} ]},
    {"uuid": "22222222-2222-4222-8222-222222222222", "frame": {"x": 1512, "y": 0, "w": 1920, "h": 1080},
     "spaces": [ {"managedID": 7} ]}
  ],
  "apps": [ {"pid": 401, "bundleID": "org.example.browser", "name": "Browser"} ],
  "windows": [ {"id": 11, "pid": 401, "title": "Home", "spaces": [1]} ],
  "pointer": {"x": 700, "y": 400}
})";

const QString kMain = QStringLiteral("11111111-1111-4111-8111-111111111111");
const QString kSecond = QStringLiteral("22222222-2222-4222-8222-222222222222");

class StripTest : public test::PanelWorldTest {
protected:
    void SetUp() override
    {
        PanelWorldTest::SetUp();
        install(worldFrom(kStripWorld));
        watcher = std::make_unique<SpaceWatcher>(scheduler);
        contents = std::make_unique<SpaceContents>(scheduler);
        previewFolder = home.path(QStringLiteral("Thumbnails"));
        QDir().mkpath(previewFolder);
        thumbnails = std::make_unique<ThumbnailService>(scheduler, previewFolder);
        watcher->start();
        readContents();
        store->setName(QStringLiteral("Work"), space(2).id);
        scheduler.runPending();
    }

    std::unique_ptr<StripModel> makeModel()
    {
        auto model = std::make_unique<StripModel>(scheduler, *watcher, *store, *thumbnails, *contents);
        model->onSelect = [this](const Space& s) { selected.push_back(s.managedID); };
        return model;
    }

    static std::vector<int> ids(const StripModel& model)
    {
        std::vector<int> result;
        for (const auto& item : model.items())
            result.push_back(item.space.managedID);
        return result;
    }

    void pointerAt(double x, double yBottomLeft)
    {
        // The world keeps the pointer top-left.
        world->pointer = QPointF(x, 982 - yBottomLeft);
    }

    // A preview file of one colour for the Space, read by the next service made.
    void writePreview(const QString& spaceID, QColor color)
    {
        QImage image(800, 300, QImage::Format_RGB32); // wider than a tile
        image.fill(color);
        ASSERT_TRUE(image.save(previewFolder + QLatin1Char('/') + spaceID + QStringLiteral(".jpg"), "JPEG"));
    }

    QString previewFolder;
    std::unique_ptr<ThumbnailService> thumbnails;
    std::vector<int> selected;
};

// Model ---------------------------------------------------------------------

TEST_F(StripTest, ModelListsOneDisplayLessWhatTheSettingsHide)
{
    auto model = makeModel();
    EXPECT_TRUE(model->items().empty()); // never rebuilt, no change seen

    model->rebuild();
    EXPECT_EQ(ids(*model), (std::vector<int>{1, 2, 3, 9}));
    EXPECT_EQ(model->items()[1].name, "Work");
    EXPECT_EQ(model->items()[0].symbol, "rectangle.on.rectangle");
    EXPECT_EQ(model->items()[3].symbol, "macwindow");
    EXPECT_TRUE(model->items()[0].isActive);

    // Empty desktops go unless active; full-screen Spaces stay without listed apps.
    switchTo(2);
    Settings::defaults().set(K::hideEmptySpaces, true);
    model->rebuild();
    EXPECT_EQ(ids(*model), (std::vector<int>{1, 2, 9}));

    // Full-screen Spaces go even when active, and nothing is then marked active.
    Settings::defaults().set(K::hideEmptySpaces, false);
    Settings::defaults().set(K::hideFullscreenSpaces, true);
    switchTo(9);
    model->rebuild();
    EXPECT_EQ(ids(*model), (std::vector<int>{1, 2, 3}));
    for (const auto& item : model->items())
        EXPECT_FALSE(item.isActive);
}

TEST_F(StripTest, ModelFallsBackToTheMenuBarDisplay)
{
    auto model = makeModel();
    model->displayID = kSecond;
    model->rebuild();
    EXPECT_EQ(ids(*model), (std::vector<int>{7}));
    model->displayID = QStringLiteral("33333333-3333-4333-8333-333333333333");
    model->rebuild();
    EXPECT_EQ(ids(*model), (std::vector<int>{1, 2, 3, 9}));
}

TEST_F(StripTest, ModelRebuildsOneTurnAfterEachChange)
{
    auto model = makeModel();
    int published = 0;
    QObject::connect(model.get(), &StripModel::itemsChanged, [&] { ++published; });

    store->setName(QStringLiteral("Mail"), space(3).id);
    EXPECT_EQ(published, 0); // not in the change's own turn
    scheduler.runPending();
    EXPECT_EQ(published, 1);
    EXPECT_EQ(model->items()[2].name, "Mail");

    model->rebuild();
    EXPECT_EQ(published, 2); // unchanged lists are published too

    // A window opening elsewhere: one rebuild for the contents' publication.
    world->windows.push_back(SimWorld::Window{.id = 12, .pid = 401, .title = QStringLiteral("Later"),
                                              .frame = QRectF(100, 100, 600, 400), .spaces = {3}});
    readContents();
    EXPECT_EQ(published, 3);

    // A new preview alone rebuilds nothing.
    Settings::defaults().set(K::thumbnailsEnabled, true);
    bool captured = false;
    thumbnails->captureActiveSpacesNow(watcher->snapshot(), [&] { captured = true; });
    scheduler.advance(5s);
    ASSERT_TRUE(captured);
    EXPECT_FALSE(thumbnails->images().empty());
    EXPECT_EQ(published, 3);
}

TEST_F(StripTest, ModelColoursFromDemoSamplesThenStoredHex)
{
    store->setColor(QStringLiteral("#FF0000"), space(1).id);
    store->setColor(QStringLiteral("not a colour"), space(2).id);
    auto model = makeModel();
    model->rebuild();
    EXPECT_EQ(model->items()[0].color, QColor(255, 0, 0));
    EXPECT_FALSE(model->items()[1].color);

    Settings::defaults().set(K::demoMode, true);
    DemoMode::resetForTesting(); // read again at the next look
    model->rebuild();
    const auto& samples = DemoMode::samples();
    EXPECT_EQ(model->items()[0].color, colorFromHex(samples[0].colorHex)); // desktop 1: sample 0, over the user's
    EXPECT_EQ(model->items()[1].color, colorFromHex(samples[1].colorHex));
}

// View ----------------------------------------------------------------------

TEST_F(StripTest, ViewClicksHandTheSpaceToOnSelectOnly)
{
    auto model = makeModel();
    model->rebuild();
    StripView view(*model, false, true);
    ASSERT_EQ(view.cells().size(), 4u);
    EXPECT_EQ(view.cells()[1]->toolTip(), "Work");
    QTest::mouseClick(view.cells()[2], Qt::LeftButton);
    EXPECT_EQ(selected, (std::vector<int>{3}));
    EXPECT_EQ(ids(*model), (std::vector<int>{1, 2, 3, 9}));

    model->onSelect = nullptr;
    QTest::mouseClick(view.cells()[1], Qt::LeftButton); // ignored
    EXPECT_EQ(selected, (std::vector<int>{3}));
}

TEST_F(StripTest, ViewSizesFromItsCells)
{
    auto model = makeModel();
    StripView empty(*model, true, false);
    EXPECT_EQ(empty.sizeHint(), QSize(20, 20)); // only the padding

    model->rebuild();
    StripView tiles(*model, true, false);
    EXPECT_EQ(tiles.sizeHint().width(), 10 + 4 * 120 + 3 * 10 + 10);
    StripView pills(*model, false, true);
    int width = 6 + 6 + 3 * 6;
    for (const StripCell* cell : pills.cells())
        width += cell->sizeHint().width();
    EXPECT_EQ(pills.sizeHint().width(), width);
}

TEST_F(StripTest, APillWithoutAKnownSymbolLeavesNoGapForIt)
{
    StripModel::Item item;
    item.name = QStringLiteral("Mail");
    item.symbol = QStringLiteral("terminal");
    const StripCell known(item, false, {});
    item.symbol = QStringLiteral("no.such.symbol");
    const StripCell unknown(item, false, {});
    EXPECT_EQ(known.sizeHint().width() - unknown.sizeHint().width(), 11 + 5); // the symbol and its gap
    // The name starts where the symbol would have: the pill's first ink is the text, at its padding.
    QImage drawn(unknown.sizeHint(), QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::black);
    const_cast<StripCell&>(unknown).render(&drawn);
    int firstInk = drawn.width();
    for (int x = 0; x < drawn.width() && firstInk == drawn.width(); ++x) {
        for (int y = drawn.height() / 4; y < drawn.height() * 3 / 4; ++y) {
            if (qGray(drawn.pixel(x, y)) > 160) {
                firstInk = x;
                break;
            }
        }
    }
    EXPECT_LE(firstInk, 9 + 3);
}

TEST_F(StripTest, TilesShowThePreviewElseTheGradientAndOutlineTheActiveOne)
{
    store->setColor(QStringLiteral("#00FF00"), space(1).id);
    writePreview(space(2).id, QColor(0, 0, 255));
    thumbnails = std::make_unique<ThumbnailService>(scheduler, previewFolder);
    auto model = makeModel();
    model->rebuild();
    StripView view(*model, true, false);
    view.resize(view.sizeHint());
    const QImage image = view.grab().toImage();
    keep(image, QStringLiteral("strip-tiles"));
    auto at = [&](int cell, int x, int y) {
        return image.pixelColor(view.cells()[std::size_t(cell)]->geometry().topLeft() + QPoint(x, y));
    };
    // The active tile's 2.5 px border in its colour; the others' is faint.
    EXPECT_GT(at(0, 60, 1).green(), 200);
    EXPECT_LT(at(0, 60, 1).red(), 60);
    // The preview fills its tile; the tile beside it shows its automatic colour's gradient.
    const QColor preview = at(1, 60, 40);
    EXPECT_LT(preview.red() + preview.green(), 20);
    EXPECT_GT(preview.blue(), 240);
    EXPECT_EQ(at(1, 8, 8), preview); // all the way into the corners: cropped to fill, not fitted
    const QColor gradientStart = at(2, 6, 6);
    const QColor autoColor = BrandIcon::autoColor(space(3));
    EXPECT_NEAR(gradientStart.red(), autoColor.red(), 40);
    EXPECT_NEAR(gradientStart.green(), autoColor.green(), 40);
    EXPECT_NEAR(gradientStart.blue(), autoColor.blue(), 40);
    EXPECT_NE(at(2, 6, 6), at(2, 114, 69)); // darker towards the bottom right
}

// Notch strip -----------------------------------------------------------------

TEST_F(StripTest, NotchStripHangsUnderTheNotchOrTheMenuBar)
{
    NotchStripController strip(scheduler, makeModel());
    const auto screens = Platform::current().screens().screens();
    strip.show(screens[0], kMain);
    const QSizeF size = strip.view()->sizeHint();
    EXPECT_EQ(strip.panel()->level(), Panel::Level::popUpMenu);
    EXPECT_TRUE(strip.panel()->hasShadow());
    EXPECT_EQ(strip.panel()->modelFrame(), QRectF(756 - size.width() / 2, 982 - 38 - 6 - size.height(), size.width(), size.height()));
    EXPECT_EQ(strip.view()->cells().size(), 4u);

    strip.hide();
    scheduler.advance(kStripFadeOut + 20ms);
    EXPECT_FALSE(strip.panel()->isVisible());

    strip.show(screens[1], kSecond); // no notch: under the menu bar
    const QSizeF second = strip.view()->sizeHint();
    EXPECT_EQ(strip.panel()->modelFrame().y(), 982 - 24 - 6 - second.height());
    EXPECT_EQ(strip.panel()->modelFrame().center().x(), 1512 + 960);
    EXPECT_EQ(strip.view()->cells().size(), 1u);
}

TEST_F(StripTest, NotchStripFadesInAndOutOverItsOwnTimes)
{
    NotchStripController strip(scheduler, makeModel());
    const auto screen = Platform::current().screens().screens()[0];
    // A fade is linear and drawn frame by frame: at `t` it stands between one frame ago and `t`.
    constexpr Duration kFrame = 17ms;
    const auto share = [](Duration t, Duration whole) { return std::clamp(double(t.count()) / double(whole.count()), 0.0, 1.0); };
    strip.show(screen, kMain);
    const QRectF f = strip.panel()->modelFrame();
    pointerAt(f.center().x(), f.center().y()); // on the strip: its watch leaves it up
    EXPECT_EQ(strip.panel()->opacity(), 0.0);
    Duration now = 0ms;
    for (const Duration t : {40ms, 80ms, 120ms}) {
        scheduler.advance(t - now);
        now = t;
        EXPECT_LE(strip.panel()->opacity(), share(t, kStripFadeIn) + 1e-9) << "fading in, at " << t.count() << " ms";
        EXPECT_GE(strip.panel()->opacity(), share(t - kFrame, kStripFadeIn) - 1e-9) << "fading in, at " << t.count() << " ms";
    }
    scheduler.advance(kStripFadeIn + kFrame - now);
    EXPECT_EQ(strip.panel()->opacity(), 1.0);

    strip.hide();
    now = 0ms;
    for (const Duration t : {40ms, 80ms, 100ms}) {
        scheduler.advance(t - now);
        now = t;
        EXPECT_TRUE(strip.panel()->isVisible()) << "fading out, at " << t.count() << " ms";
        EXPECT_GE(strip.panel()->opacity(), 1.0 - share(t, kStripFadeOut) - 1e-9) << "fading out, at " << t.count() << " ms";
        EXPECT_LE(strip.panel()->opacity(), 1.0 - share(t - kFrame, kStripFadeOut) + 1e-9) << "fading out, at " << t.count() << " ms";
    }
    scheduler.advance(kStripFadeOut + kFrame - now);
    EXPECT_FALSE(strip.panel()->isVisible());
}

TEST_F(StripTest, NotchStripReadsPreviewsSettingAtShow)
{
    NotchStripController strip(scheduler, makeModel());
    const auto screen = Platform::current().screens().screens()[0];
    Settings::defaults().set(K::thumbnailsEnabled, false);
    strip.show(screen, kMain);
    EXPECT_FALSE(strip.view()->showsPreviews());
    Settings::defaults().set(K::thumbnailsEnabled, true);
    EXPECT_FALSE(strip.view()->showsPreviews());
    strip.hide();
    scheduler.advance(200ms);
    strip.show(screen, kMain);
    EXPECT_TRUE(strip.view()->showsPreviews());
}

TEST_F(StripTest, NotchStripHidesWhenThePointerLeavesItsZones)
{
    NotchStripController strip(scheduler, makeModel());
    const auto screen = Platform::current().screens().screens()[0];
    struct Case {
        const char* where;
        double dx; // from the strip's left edge (negative) or right edge
        double y;  // bottom-left coordinates
        bool stays;
    };
    strip.show(screen, kMain);
    const QRectF f = strip.panel()->modelFrame();
    const double top = f.y() + f.height();
    const std::vector<Case> cases{
        {"on the strip", f.center().x(), f.center().y(), true},
        {"29 px left of it", f.left() - 29, f.center().y(), true},
        {"31 px left of it", f.left() - 31, f.center().y(), false},
        {"39 px below it", f.center().x(), f.y() - 39, true},
        {"41 px below it", f.center().x(), f.y() - 41, false},
        {"in the band above, 55 px up", f.center().x() + 110, top + 55, true},
        {"beside the band, 55 px up", f.center().x() + 130, top + 55, false},
        {"far away", 100, 100, false},
    };
    for (const Case& c : cases) {
        strip.show(screen, kMain);
        scheduler.advance(kStripFadeIn + 20ms);
        pointerAt(c.dx, c.y);
        // The watch ticks every 0.2 s from the show: nothing happens 1 ms before the tick, the strip goes on it.
        scheduler.advance(kStripHideWatch - kStripFadeIn - 20ms - 1ms);
        EXPECT_TRUE(strip.isVisible()) << c.where << ": acted on before the tick";
        scheduler.advance(1ms);
        EXPECT_EQ(strip.isVisible(), c.stays) << c.where;
        pointerAt(f.center().x(), f.center().y());
    }
}

// Floating toolbar ----------------------------------------------------------------

class ToolbarTest : public StripTest {
protected:
    void SetUp() override
    {
        StripTest::SetUp();
        Settings::defaults().set(K::floatingToolbar, true);
    }
    std::unique_ptr<FloatingToolbarController> makeToolbars()
    {
        return std::make_unique<FloatingToolbarController>(scheduler, [this] { return makeModel(); });
    }
};

TEST_F(ToolbarTest, OnePerDisplayCentredAtTheBottomOfTheVisibleArea)
{
    auto toolbars = makeToolbars();
    toolbars->update(watcher->snapshot());
    ASSERT_EQ(toolbars->count(), 2u);
    Panel* main = toolbars->panel(kMain);
    EXPECT_EQ(main->level(), Panel::Level::floating);
    EXPECT_TRUE(main->isMovableByBackground());
    const QSizeF size = toolbars->view(kMain)->sizeHint();
    EXPECT_EQ(main->modelFrame(), QRectF(756 - size.width() / 2, 12, size.width(), size.height()));
    EXPECT_EQ(toolbars->view(kSecond)->cells().size(), 1u);
    EXPECT_TRUE(toolbars->view(kMain)->isCompact());
    EXPECT_FALSE(toolbars->view(kMain)->showsPreviews());

    // Off: all gone.
    Settings::defaults().set(K::floatingToolbar, false);
    toolbars->update(watcher->snapshot());
    EXPECT_EQ(toolbars->count(), 0u);
}

TEST_F(ToolbarTest, ADraggedPlaceSurvivesOffAndOnAndANewLaunch)
{
    auto toolbars = makeToolbars();
    toolbars->update(watcher->snapshot());
    Panel* panel = toolbars->panel(kMain);
    const QRectF before = panel->modelFrame();
    panel->dragBy(QPoint(100, -50)); // right and up
    panel->endDrag();
    const QRectF dragged = before.translated(100, 50);
    EXPECT_EQ(panel->modelFrame(), dragged);
    EXPECT_TRUE(Settings::defaults().string(QStringLiteral("Panel Frame LumivastToolbar-") + kMain));

    Settings::defaults().set(K::floatingToolbar, false);
    toolbars->update(watcher->snapshot());
    Settings::defaults().set(K::floatingToolbar, true);
    toolbars->update(watcher->snapshot());
    EXPECT_EQ(toolbars->panel(kMain)->modelFrame(), dragged);

    auto relaunched = makeToolbars();
    relaunched->update(watcher->snapshot());
    EXPECT_EQ(relaunched->panel(kMain)->modelFrame(), dragged);
    EXPECT_NE(relaunched->panel(kSecond)->modelFrame().topLeft(), dragged.topLeft()); // each display its own
}

TEST_F(ToolbarTest, ResizesKeepingItsBottomLeftCorner)
{
    auto toolbars = makeToolbars();
    toolbars->update(watcher->snapshot());
    Panel* panel = toolbars->panel(kMain);
    const QPointF corner = panel->modelFrame().topLeft();
    const double width = panel->modelFrame().width();
    store->setName(QStringLiteral("A much longer name than before"), space(3).id);
    scheduler.runPending(); // the model's own rebuild
    EXPECT_EQ(panel->modelFrame().topLeft(), corner);
    EXPECT_GT(panel->modelFrame().width(), width);
    EXPECT_EQ(panel->modelFrame().size(), QSizeF(toolbars->view(kMain)->sizeHint()));
}

TEST_F(ToolbarTest, DisplaysLeavingOrWithoutAScreen)
{
    auto toolbars = makeToolbars();
    const SpaceSnapshot snapshot = watcher->snapshot();
    toolbars->update(snapshot);
    Panel* second = toolbars->panel(kSecond);
    ASSERT_NE(second, nullptr);

    // The snapshot still names the display, but its screen is gone: its toolbar stays as it is.
    const SimWorld::Display unplugged = world->displays.back();
    world->displays.pop_back();
    toolbars->update(snapshot);
    EXPECT_EQ(toolbars->panel(kSecond), second);
    EXPECT_TRUE(second->isVisible());
    world->displays.push_back(unplugged);

    SpaceSnapshot one = snapshot;
    one.displays.pop_back();
    toolbars->update(one);
    EXPECT_EQ(toolbars->count(), 1u);
    EXPECT_EQ(toolbars->panel(kSecond), nullptr);
    toolbars->update(snapshot);
    EXPECT_EQ(toolbars->count(), 2u);
}

// Desktop label ----------------------------------------------------------------

class LabelTest : public StripTest {
protected:
    void SetUp() override
    {
        StripTest::SetUp();
        Settings::defaults().set(K::desktopLabel, true);
    }
    DesktopLabelController labels{scheduler};
};

TEST_F(LabelTest, PositionsInTheVisibleFrame)
{
    const QRectF v(0, 0, 1000, 800);
    const QSizeF s(200, 60);
    struct Case {
        const char* text;
        QPointF origin;
    };
    const std::vector<Case> cases{{"bottomLeft", {24, 24}},    {"bottomRight", {776, 24}}, {"topLeft", {24, 716}},
                                  {"topRight", {776, 716}},    {"center", {400, 370}},    {"sideways", {24, 24}}};
    for (const Case& c : cases) {
        Settings::defaults().set(K::desktopLabelPosition, QString::fromLatin1(c.text));
        EXPECT_EQ(DesktopLabelController::origin(Settings::desktopLabelPosition(), v, s), c.origin) << c.text;
    }
    Settings::defaults().set(K::desktopLabelPosition, QStringLiteral("topRight"));
    labels.update(watcher->snapshot(), *store);
    const auto screen = Platform::current().screens().screens()[0];
    const QRectF f = labels.panel(kMain)->modelFrame();
    EXPECT_EQ(f.right(), screen.visibleFrame.right() - 24);
    EXPECT_EQ(f.bottom(), screen.visibleFrame.bottom() - 24);
}

TEST_F(LabelTest, ALabelStandsClearOfTheToolbar)
{
    using P = DesktopLabelPosition;
    const QRectF toolbar(556, 12, 400, 36); // bottom centre, origin bottom left
    struct Case {
        P position;
        QRectF label, expected;
    };
    const Case cases[] = {
        {P::bottomLeft, {24, 24, 600, 80}, {24, 72, 600, 80}},  // a long name reaches under it: up above it
        {P::bottomLeft, {24, 24, 300, 80}, {24, 24, 300, 80}},  // a short one does not
        {P::topRight, {500, 0, 300, 40}, {500, -52, 300, 40}},  // from the top: down below it
        {P::center, {400, 30, 600, 80}, {400, 72, 600, 80}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DesktopLabelController::clearOf(c.label, {toolbar}, c.position), c.expected) << c.label.width();

    // The controller asks for the frames to keep clear of, per display.
    store->setName(QStringLiteral("A rather long name for the desktop of this display"), space(1).id);
    store->setNote(QStringLiteral("first line\nsecond, longer line of the note"), space(1).id);
    QStringList asked;
    labels.keepClearOf = [&](const QString& displayID) {
        asked << displayID;
        return std::vector<QRectF>{QRectF(24, 12, 2000, 40)};
    };
    labels.update(watcher->snapshot(), *store);
    EXPECT_TRUE(asked.contains(kMain));
    const QRectF frame = labels.panel(kMain)->modelFrame();
    EXPECT_FALSE(frame.intersects(QRectF(24, 12, 2000, 40)));
    EXPECT_EQ(frame.top(), 12 + 40 + DesktopLabelController::kMargin);
}

TEST_F(LabelTest, ContentFollowsTheActiveSpace)
{
    store->setNote(QStringLiteral("first line\nsecond, longer line of the note"), space(2).id);
    store->setColor(QStringLiteral("#336699"), space(2).id);
    labels.update(watcher->snapshot(), *store);
    ASSERT_EQ(labels.count(), 2u);
    Panel* panel = labels.panel(kMain);
    EXPECT_TRUE(panel->isClickThrough());
    EXPECT_EQ(panel->level(), Panel::Level::belowNormal);
    EXPECT_FALSE(panel->hasShadow());
    DesktopLabelView* view = labels.view(kMain);
    EXPECT_EQ(view->name(), "Desktop 1");
    EXPECT_FALSE(view->note());
    EXPECT_EQ(view->color(), QColor(Qt::white));
    const QSize plain = view->sizeHint();

    switchTo(2);
    labels.update(watcher->snapshot(), *store);
    view = labels.view(kMain);
    EXPECT_EQ(view->name(), "Work");
    EXPECT_EQ(view->note(), QStringLiteral("first line\nsecond, longer line of the note"));
    EXPECT_EQ(view->color(), QColor(0x33, 0x66, 0x99));
    EXPECT_GT(view->sizeHint().height(), plain.height() + 2 * 15); // both lines, unwrapped
    EXPECT_EQ(panel->modelFrame().size(), QSizeF(view->sizeHint()));

    Settings::defaults().set(K::demoMode, true);
    DemoMode::resetForTesting(); // read again at the next look
    labels.update(watcher->snapshot(), *store);
    EXPECT_EQ(labels.view(kMain)->color(), colorFromHex(DemoMode::samples()[1].colorHex));
}

TEST_F(LabelTest, RemovedWhenOffOrWhenTheDisplayLeaves)
{
    labels.update(watcher->snapshot(), *store);
    SpaceSnapshot one = watcher->snapshot();
    one.displays.pop_back();
    labels.update(one, *store);
    EXPECT_EQ(labels.count(), 1u);
    EXPECT_EQ(labels.panel(kSecond), nullptr);

    // No active Space: the label keeps what it shows.
    SpaceSnapshot noActive = one;
    noActive.displays[0].activeSpaceID.reset();
    const QString shown = labels.view(kMain)->name();
    labels.update(noActive, *store);
    EXPECT_EQ(labels.view(kMain)->name(), shown);

    Settings::defaults().set(K::desktopLabel, false);
    labels.update(watcher->snapshot(), *store);
    EXPECT_EQ(labels.count(), 0u);
}

} // namespace
