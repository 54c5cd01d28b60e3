#include "CGSBridge/CGSBridge.h"
#include "UI/MenuBar/BrandIcon.h"
#include "UI/MenuBar/StatusBarController.h"
#include "UI/MenuBar/TrayStatusItem.h"
#include "UI/Symbols/SymbolCatalogue.h"
#include "tests/UI/PanelWorld.h"
#include "tests/support/FakeAlertService.h"
#include "tests/support/FakeStatusItem.h"
#include "tests/support/RecordingFront.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>

#include <gtest/gtest.h>

using namespace lumivast;
namespace K = Settings::Key;

namespace {

// The controller's timing as the product defines it, written out so a changed constant fails.
constexpr Duration kNotchCheckDelay = 300ms; // from the item's first update to the check that it is not hidden

Space makeSpace(const QString& id, int managed, std::optional<int> number, int index, bool active, bool fullscreen = false)
{
    Space s;
    s.id = id;
    s.managedID = managed;
    s.displayID = QStringLiteral("Main");
    s.desktopNumber = number;
    s.indexOnDisplay = index;
    s.isActive = active;
    s.isFullscreen = fullscreen;
    return s;
}

SpaceSnapshot snapshotOf(std::vector<Space> spaces)
{
    DisplaySpaces display;
    display.id = QStringLiteral("Main");
    display.isMenuBarDisplay = true;
    for (const Space& s : spaces) {
        if (s.isActive)
            display.activeSpaceID = s.id;
    }
    display.spaces = std::move(spaces);
    SpaceSnapshot snapshot;
    snapshot.displays.push_back(std::move(display));
    return snapshot;
}

const MenuItem* findItem(const std::vector<MenuItem>& items, const QString& title)
{
    for (const MenuItem& item : items) {
        if (item.title == title)
            return &item;
    }
    return nullptr;
}

QStringList titles(const std::vector<MenuItem>& items)
{
    QStringList result;
    for (const MenuItem& item : items)
        result << (item.isSeparator ? QStringLiteral("---") : item.title);
    return result;
}

class StatusBarTest : public test::PanelWorldTest {
protected:
    void SetUp() override
    {
        PanelWorldTest::SetUp();
        bar = std::make_unique<StatusBarController>(item, *watcher, *store, *contents, scheduler, alerts, front, front);
    }
    void TearDown() override
    {
        bar.reset();
        PanelWorldTest::TearDown();
    }

    // Runs a chosen item as the menu would: its action, then what it posted.
    void choose(const MenuItem& menuItem)
    {
        ASSERT_TRUE(menuItem.action);
        menuItem.action();
        scheduler.runPending();
    }

    // The last desktop of the main display goes, as Mission Control would remove it.
    void removeLastDesktop()
    {
        world->displays.front().spaces.pop_back();
        world->announceChange(kSpaceEvents[0], false);
        scheduler.advance(SpaceWatcher::kDebounce);
    }

    test::FakeStatusItem item;
    test::FakeAlertService alerts;
    std::unique_ptr<StatusBarController> bar;
    // The ids of the calls to the sink that start with `call`, in order.
    std::vector<QString> called(const QString& call) const
    {
        std::vector<QString> ids;
        for (const QString& entry : front.calls) {
            if (entry.startsWith(call + QLatin1Char(' ')))
                ids.push_back(entry.mid(call.size() + 1));
        }
        return ids;
    }
    std::vector<QString> switched() const { return called(QStringLiteral("switchTo")); }
    std::vector<bool> steps() const
    {
        std::vector<bool> rights;
        for (const SpaceCommand& command : front.commands) {
            if (const auto* step = std::get_if<SpaceCommand::Step>(&command.value))
                rights.push_back(step->right);
        }
        return rights;
    }

    test::RecordingFront front;
};

enum class Kind { none, brand, symbol, custom, strip };

Kind kindOf(const std::optional<StatusItem::Image>& image, int brandIndex)
{
    if (!image)
        return Kind::none;
    if (!image->isTemplate)
        return Kind::custom;
    if (image->image == BrandIcon::menuBarImage(brandIndex, 1.0))
        return Kind::brand;
    return image->image.height() == 16 && image->image.width() != 16 ? Kind::strip : Kind::symbol;
}

} // namespace

TEST_F(StatusBarTest, TheItemsLookPerStyle)
{
    const Space d3 = makeSpace(QStringLiteral("S3"), 3, 3, 4, true);
    const Space full = makeSpace(QStringLiteral("SF"), 9, std::nullopt, 1, true, true);
    store->setName(QStringLiteral("Mail"), d3.id);
    store->setName(QStringLiteral("Movie"), full.id);
    const SpaceSnapshot desk = snapshotOf({makeSpace(QStringLiteral("S1"), 1, 1, 0, false), d3});
    const SpaceSnapshot fullscreen = snapshotOf({makeSpace(QStringLiteral("S1"), 1, 1, 0, false), full});

    struct Row {
        const char* style;
        const SpaceSnapshot* snapshot;
        const char* symbol; // stored symbol, or nullptr
        bool showsIcon;
        const char* title;
        Kind kind;
    } rows[] = {
        {"name", &desk, nullptr, true, "Mail", Kind::brand},
        {"number", &desk, nullptr, true, "3", Kind::brand},
        {"numberAndName", &desk, nullptr, true, "3  Mail", Kind::brand},
        {"numberAndName", &fullscreen, nullptr, true, "F  Movie", Kind::brand},
        {"iconOnly", &desk, "envelope", true, "", Kind::symbol},
        {"name", &desk, "envelope", false, "Mail", Kind::none},
        {"iconOnly", &desk, "envelope", false, "", Kind::symbol}, // the icon is the whole item
        {"iconOnly", &desk, "no.such.symbol", true, "", Kind::none},
        {"bogus", &desk, nullptr, true, "Mail", Kind::brand}, // unknown text reads as name
        {"strip", &desk, nullptr, true, "", Kind::strip},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.style);
        Settings::defaults().set(K::menuBarStyle, QString::fromLatin1(row.style));
        Settings::defaults().set(K::menuBarShowsIcon, row.showsIcon);
        const Space active = *row.snapshot->currentSpace();
        store->setSymbol(row.symbol ? std::optional<QString>(QString::fromLatin1(row.symbol)) : std::nullopt, active.id);
        bar->update(*row.snapshot);
        EXPECT_EQ(item.title, QString::fromLatin1(row.title));
        EXPECT_EQ(kindOf(item.image, active.indexOnDisplay % 4), row.kind);
        EXPECT_EQ(item.toolTip, store->displayName(active) + QStringLiteral(" \u00B7 Lumivast"));
        EXPECT_EQ(item.position, QString::fromLatin1(row.style) == QLatin1String("strip")
                                     ? StatusItem::ImagePosition::imageOnly
                                     : StatusItem::ImagePosition::imageLeading);
    }

    // The fifth Space of a display lights the same square as the first.
    Settings::defaults().set(K::menuBarStyle, QStringLiteral("iconOnly"));
    store->setSymbol(std::nullopt, d3.id);
    bar->update(desk);
    EXPECT_EQ(item.image->image, BrandIcon::menuBarImage(0, 1.0));

    // A custom icon wins and keeps its colours; a note goes into the tooltip.
    QImage red(40, 40, QImage::Format_ARGB32);
    red.fill(Qt::red);
    const QString path = QDir(QDir::tempPath()).filePath(QStringLiteral("lumivast-red.png"));
    ASSERT_TRUE(red.save(path));
    store->setCustomIcon(path, d3.id);
    store->setSymbol(QStringLiteral("envelope"), d3.id);
    store->setNote(QStringLiteral("answer Bob"), d3.id);
    bar->update(desk);
    ASSERT_TRUE(item.image);
    EXPECT_FALSE(item.image->isTemplate);
    EXPECT_EQ(item.image->image.pixelColor(8, 8), QColor(Qt::red));
    EXPECT_EQ(item.toolTip, QStringLiteral("Mail: answer Bob"));

    // No Space: "Spaces", no image, the tooltip as it was.
    bar->update(SpaceSnapshot::empty());
    EXPECT_EQ(item.title, QStringLiteral("Spaces"));
    EXPECT_FALSE(item.image);
    EXPECT_EQ(item.toolTip, QStringLiteral("Mail: answer Bob"));
}

namespace {

// The item as a tray host shows it: drawn whole into one image, then shrunk
// (never enlarged) to fit the square slot.
QImage shownInSlot(const test::FakeStatusItem& item, int slot)
{
    const QImage drawn = TrayStatusItem::compose(item.title, item.image, item.position, Qt::black, 1.0);
    if (drawn.width() <= slot && drawn.height() <= slot)
        return drawn;
    return drawn.scaled(slot, slot, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

bool inked(QRgb pixel) { return qAlpha(pixel) > 60; }

// How tall the drawn part is, in pixels.
int inkHeight(const QImage& image)
{
    int top = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (inked(image.pixel(x, y))) {
                top = top < 0 ? y : top;
                bottom = y;
                break;
            }
        }
    }
    return top < 0 ? 0 : bottom - top + 1;
}

} // namespace

TEST_F(StatusBarTest, InASquareSlotEveryStyleStaysReadable)
{
    constexpr int kSlot = 22; // trayer's
    item.slot = kSlot;
    for (const int count : {2, 7, 16}) {
        std::vector<Space> spaces;
        for (int i = 0; i < count; ++i)
            spaces.push_back(makeSpace(QStringLiteral("S%1").arg(i + 1), i + 1, i + 1, i, i == 0));
        const SpaceSnapshot snapshot = snapshotOf(spaces);
        for (const char* style : {"name", "number", "numberAndName", "iconOnly", "strip", "dots"}) {
            SCOPED_TRACE(QStringLiteral("%1 Spaces, %2").arg(count).arg(QLatin1String(style)).toStdString());
            Settings::defaults().set(K::menuBarStyle, QString::fromLatin1(style));
            bar->update(snapshot);
            const QImage shown = shownInSlot(item, kSlot);
            if (item.position == StatusItem::ImagePosition::imageOnly) {
                // Still a strip: each cell's share of the shrunk image wide enough to see and to hit.
                const qreal drawnWidth = TrayStatusItem::compose(item.title, item.image, item.position, Qt::black, 1.0).width();
                const qreal pitch = (QLatin1String(style) == QLatin1String("dots") ? 14.0 : 20.0) * shown.width() / drawnWidth;
                EXPECT_GE(pitch, StatusBarController::kNarrowestPitch);
                EXPECT_GE(inkHeight(shown), 6);
            } else {
                // Otherwise the icon, drawn at its size; the name is in the tooltip.
                EXPECT_EQ(item.title, QString());
                EXPECT_GE(inkHeight(shown), 12);
                EXPECT_EQ(item.toolTip, QStringLiteral("Desktop 1 \u00B7 Lumivast"));
            }
        }
    }
    // Two cells fit as a strip, three dots.
    Settings::defaults().set(K::menuBarStyle, QStringLiteral("strip"));
    bar->update(snapshotOf({makeSpace("a", 1, 1, 0, true), makeSpace("b", 2, 2, 1, false)}));
    EXPECT_EQ(item.position, StatusItem::ImagePosition::imageOnly);
    EXPECT_TRUE(StatusBarController::stripFitsSquareSlot(2, false, kSlot));
    EXPECT_FALSE(StatusBarController::stripFitsSquareSlot(3, false, kSlot));
    EXPECT_TRUE(StatusBarController::stripFitsSquareSlot(3, true, kSlot));
    EXPECT_FALSE(StatusBarController::stripFitsSquareSlot(4, true, kSlot));
}

TEST_F(StatusBarTest, StripCellsAndTheirClickEdges)
{
    std::vector<StatusBarController::StripHit> hits;
    const std::vector<Space> spaces = {makeSpace("a", 1, 1, 0, false), makeSpace("b", 2, 10, 1, true),
                                       makeSpace("c", 3, std::nullopt, 2, false, true)};
    const QImage strip = StatusBarController::stripImage(spaces, false, 1.0, &hits);
    EXPECT_EQ(strip.width(), 57);
    ASSERT_EQ(hits.size(), 3u);
    EXPECT_EQ(hits[0], (StatusBarController::StripHit{-1.5, 18.5, "a"}));
    EXPECT_EQ(hits[1], (StatusBarController::StripHit{18.5, 38.5, "b"}));

    // Outlined cell: edge drawn, middle of the rim empty; filled active cell with its label cut out.
    EXPECT_GT(qAlpha(strip.pixel(0, 8)), 100);  // left edge of cell 1
    EXPECT_EQ(qAlpha(strip.pixel(3, 3)), 0);     // inside cell 1, away from the label
    EXPECT_GT(qAlpha(strip.pixel(22, 3)), 200);  // filled cell 2
    int cut = 0;
    for (int x = 22; x < 36; ++x)
        for (int y = 4; y < 12; ++y)
            cut += qAlpha(strip.pixel(x, y)) < 60;
    EXPECT_GT(cut, 8); // the label "10" is cut out of the fill

    const QImage dots = StatusBarController::stripImage(spaces, true, 2.0, &hits);
    EXPECT_EQ(dots.size(), QSize(2 * (3 * 9 + 2 * 5), 32));
    EXPECT_EQ(hits[1], (StatusBarController::StripHit{11.5, 25.5, "b"}));
    EXPECT_GT(qAlpha(dots.pixel(2 * 19, 16)), 200); // the active dot is filled
    EXPECT_EQ(qAlpha(dots.pixel(2 * 5, 16)), 0);     // an inactive dot is a ring

    EXPECT_EQ(StatusBarController::stripImage({}, false, 1.0).width(), 1);
}

TEST_F(StatusBarTest, ClicksOpenTheMenuOrSwitchFromTheStrip)
{
    const auto opened = [this] { return item.menus.size(); };
    // Three visible Spaces on the menu-bar display; x 18.5 is the first cell's, 18.6 the second's.
    Settings::defaults().set(K::menuBarStyle, QStringLiteral("strip"));
    bar->update(watcher->snapshot());
    item.click(18.5);
    item.click(18.6);
    EXPECT_EQ(switched(), (std::vector<QString>{space(1).id, space(2).id}));
    EXPECT_EQ(opened(), 0u);

    item.click(58.6);                 // right of the strip
    item.click(-1.6);                 // left of it
    item.click(std::nullopt);         // the host did not say where
    item.click(5, true);              // right button
    item.click(5, false, true);       // Control
    item.click(5, false, false, true); // Alt
    EXPECT_EQ(opened(), 6u);
    EXPECT_EQ(switched().size(), 2u);

    // A cell whose Space went away opens the menu.
    removeLastDesktop();
    item.click(45);
    EXPECT_EQ(opened(), 7u);

    // Other styles: every click opens the menu.
    Settings::defaults().set(K::menuBarStyle, QStringLiteral("name"));
    item.click(5);
    EXPECT_EQ(opened(), 8u);
    EXPECT_EQ(switched().size(), 2u);
}

TEST_F(StatusBarTest, ScrollingStepsOnThresholdAndPause)
{
    EXPECT_TRUE(item.scroll(-1));  // a wheel notch is 10
    EXPECT_TRUE(steps().empty());
    EXPECT_TRUE(item.scroll(-1));  // 20 > 18: one step right
    EXPECT_EQ(steps(), std::vector<bool>{true});

    // Within the pause events are swallowed and keep adding up.
    scheduler.advance(100ms);
    EXPECT_TRUE(item.scroll(3, true));
    EXPECT_TRUE(item.scroll(16, true)); // 19, but too soon
    EXPECT_EQ(steps().size(), 1u);
    scheduler.advance(151ms);
    EXPECT_TRUE(item.scroll(0, true));  // the next event after the pause steps at once
    EXPECT_EQ(steps(), (std::vector<bool>{true, false}));

    // 18 exactly is not enough; horizontal deltas count negated; inversion flips.
    scheduler.advance(1s);
    item.scroll(18, true);
    EXPECT_EQ(steps().size(), 2u);
    item.scroll(0.5, true, 1, true); // dy 0.5 < |dx| 1: delta -1 -> 17; not yet
    EXPECT_EQ(steps().size(), 2u);
    item.scroll(2, true, 0, true);   // 19 > 18, positive, inverted: right
    EXPECT_EQ(steps().back(), true);

    Settings::defaults().set(K::menuBarScrollSwitches, false);
    EXPECT_FALSE(item.scroll(-5));
}

TEST(StatusBarNotch, HiddenBehindTheCameraHousingFallsBackToIconOnly)
{
    test::TempHome home;
    test::RecordingFront front;
    auto world = SimWorld::fromJson(QJsonDocument::fromJson(R"({"displays": [
        {"uuid": "11111111-1111-4111-8111-111111111111", "main": true, "frame": {"x": 0, "y": 0, "w": 1512, "h": 982},
         "notch": {"width": 180}, "current": 1, "spaces": [ {"managedID": 1}, {"managedID": 2} ]}]})").object());
    ASSERT_TRUE(world);
    VirtualScheduler scheduler;
    world->dock().setScheduler(scheduler);
    Platform::install(SimPlatform::create(world));
    Settings::registerDefaults();
    const auto screen = Platform::current().screens().mainScreen();
    ASSERT_TRUE(screen && screen->auxiliaryTopRightArea);
    const qreal areaLeft = screen->auxiliaryTopRightArea->left();

    SpaceWatcher watcher(scheduler);
    SpaceContents contents(scheduler);
    SpaceStore store(scheduler, AppPaths::file(QStringLiteral("spaces.json")));
    watcher.start();
    test::FakeStatusItem item;
    test::FakeAlertService alerts;

    // 1 px over the area's edge still counts as inside it.
    item.itemFrame = QRectF(areaLeft - 1, 0, 60, 22);
    StatusBarController inside(item, watcher, store, contents, scheduler, alerts, front, front);
    scheduler.advance(kNotchCheckDelay);
    EXPECT_FALSE(inside.compactFallback());
    EXPECT_EQ(item.title, QStringLiteral("Desktop 1"));

    item.itemFrame = QRectF(areaLeft - 2, 0, 60, 22);
    StatusBarController hidden(item, watcher, store, contents, scheduler, alerts, front, front);
    scheduler.advance(kNotchCheckDelay - 1ms);
    EXPECT_FALSE(hidden.compactFallback());
    scheduler.advance(1ms);
    EXPECT_TRUE(hidden.compactFallback());
    EXPECT_EQ(item.title, QString()); // icon only, for the rest of the run
    item.itemFrame = QRectF(areaLeft + 10, 0, 60, 22);
    hidden.update(watcher.snapshot());
    scheduler.advance(1s);
    EXPECT_EQ(item.title, QString());
    Settings::defaults().set(K::menuBarStyle, QStringLiteral("dots"));
    hidden.update(watcher.snapshot());
    EXPECT_EQ(item.position, StatusItem::ImagePosition::imageOnly); // strips are left alone

    // No place known: never hidden. The remembered position is written once.
    item.itemFrame.reset();
    StatusBarController unknown(item, watcher, store, contents, scheduler, alerts, front, front);
    scheduler.advance(1s);
    EXPECT_FALSE(unknown.compactFallback());
    EXPECT_EQ(Settings::defaults().integerValue(StatusBarController::kPreferredPositionKey), 260);
}

TEST_F(StatusBarTest, MenuSectionsForNoneOneAndTwoDisplays)
{
    // Two displays: a header each, a separator after each group.
    QStringList top = titles(bar->menuTree()).mid(0, 8);
    EXPECT_EQ(top, (QStringList{"Display 1", "Desktop 1", "Work", "Desktop 3", "---", "Display 2", "Desktop 4", "---"}));

    // One display: no header, one separator.
    install(worldFrom(R"({"displays": [{"uuid": "11111111-1111-4111-8111-111111111111", "main": true,
        "frame": {"x": 0, "y": 0, "w": 800, "h": 600}, "current": 1, "spaces": [{"managedID": 1}]}]})"));
    SpaceWatcher single(scheduler);
    single.start();
    StatusBarController one(item, single, *store, *contents, scheduler, alerts, front, front);
    EXPECT_EQ(titles(one.menuTree()).mid(0, 3), (QStringList{"Desktop 1", "---", "Show Overview"}));

    // No display: a lone separator, then the rest.
    SpaceWatcher none(scheduler);
    StatusBarController empty(item, none, *store, *contents, scheduler, alerts, front, front);
    const std::vector<MenuItem> menu = empty.menuTree();
    EXPECT_EQ(titles(menu).mid(0, 2), (QStringList{"---", "Show Overview"}));
    EXPECT_FALSE(findItem(menu, QStringLiteral("Note, Icon and Automation\u2026")));
    EXPECT_TRUE(findItem(menu, QStringLiteral("Quit Lumivast")));
}

TEST_F(StatusBarTest, SpaceRows)
{
    store->setNote(QStringLiteral("standup at ten"), space(2).id);
    store->setSymbol(QStringLiteral("envelope"), space(2).id);
    store->setColor(QStringLiteral("#FF0000"), space(2).id);
    std::vector<MenuItem> menu = bar->menuTree();
    const MenuItem& first = menu[1];
    const MenuItem& work = menu[2];
    EXPECT_EQ(first.title, QStringLiteral("Desktop 1"));
    EXPECT_EQ(first.state, MenuItem::State::on);
    EXPECT_EQ(work.state, MenuItem::State::off);
    EXPECT_EQ(first.key, Qt::Key_1);
    EXPECT_EQ(first.modifiers, Qt::ControlModifier | Qt::AltModifier); // Control and Option of the global shortcut
    EXPECT_EQ(first.toolTip, QStringLiteral("Browser, Mail"));
    ASSERT_TRUE(first.rich);
    EXPECT_EQ(first.rich->prefix, QStringLiteral("1  "));
    EXPECT_EQ(first.rich->appIcons.size(), 2u);
    EXPECT_FALSE(first.rich->note);
    EXPECT_FALSE(first.symbolTint); // no stored colour: untinted, never the automatic one
    EXPECT_EQ(work.rich->note, QStringLiteral("standup at ten"));
    EXPECT_EQ(work.rich->noteIndent, 3);
    EXPECT_EQ(work.symbol, QStringLiteral("envelope"));
    EXPECT_EQ(work.symbolTint, QColor(Qt::red));
    EXPECT_EQ(work.payload, MenuItem::Payload(MenuItem::SpaceID{space(2).id}));

    // Icons off: none drawn, the tooltip still names every app. Modifier off: no keys.
    Settings::defaults().set(K::showAppIcons, false);
    Settings::defaults().set(K::desktopShortcutModifier, QStringLiteral("off"));
    menu = bar->menuTree();
    EXPECT_TRUE(menu[1].rich->appIcons.empty());
    EXPECT_EQ(menu[1].toolTip, QStringLiteral("Browser, Mail"));
    EXPECT_FALSE(menu[1].hasKey());
    EXPECT_EQ(findItem(menu, QStringLiteral("Show Overview"))->key, Qt::Key_Tab); // the overview's own key stays
    Settings::defaults().set(K::desktopShortcutModifier, QStringLiteral("hyper"));
    EXPECT_EQ(bar->menuTree()[1].modifiers, Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);

    // Choosing a row switches to the Space as it is at that moment.
    choose(bar->menuTree()[3]);
    EXPECT_EQ(switched(), std::vector<QString>{space(3).id});
    const MenuItem stale = bar->menuTree()[3];
    removeLastDesktop();
    choose(stale);
    EXPECT_EQ(switched().size(), 1u);
}

TEST_F(StatusBarTest, ARowShowsAtMostEightAppIconsAndNamesEveryApp)
{
    // Nine apps on the one desktop, each with a window there.
    QJsonArray apps;
    QJsonArray windows;
    QStringList names;
    for (int i = 1; i <= 9; ++i) {
        const QString name = QStringLiteral("App %1").arg(i);
        names << name;
        apps.append(QJsonObject{{"pid", 500 + i}, {"bundleID", QStringLiteral("org.example.app%1").arg(i)}, {"name", name}});
        windows.append(QJsonObject{{"id", 20 + i}, {"pid", 500 + i}, {"title", name}, {"spaces", QJsonArray{1}}});
    }
    QJsonObject json = QJsonDocument::fromJson(R"({"displays": [{"uuid": "11111111-1111-4111-8111-111111111111",
        "main": true, "frame": {"x": 0, "y": 0, "w": 800, "h": 600}, "current": 1, "spaces": [{"managedID": 1}]}]})")
                           .object();
    json[QStringLiteral("apps")] = apps;
    json[QStringLiteral("windows")] = windows;
    QString error;
    auto nine = SimWorld::fromJson(json, &error);
    ASSERT_TRUE(nine) << error.toStdString();
    install(nine);
    SpaceWatcher single(scheduler);
    single.start();
    SpaceContents onIt(scheduler);
    readContents(onIt);
    StatusBarController one(item, single, *store, onIt, scheduler, alerts, front, front);

    const MenuItem row = one.menuTree().front();
    ASSERT_TRUE(row.rich);
    EXPECT_EQ(row.rich->appIcons.size(), 8u);
    QStringList named = row.toolTip.split(QStringLiteral(", "));
    named.sort();
    EXPECT_EQ(named, names);
}

TEST_F(StatusBarTest, DesktopTenHasKeyZeroAndElevenNone)
{
    const auto keyOf = [&](int n) {
        install(worldFrom(R"({"displays": [{"uuid": "11111111-1111-4111-8111-111111111111", "main": true,
            "frame": {"x": 0, "y": 0, "w": 800, "h": 600}, "current": 1,
            "spaces": [{"managedID": 1}, {"managedID": 2}, {"managedID": 3}, {"managedID": 4}, {"managedID": 5},
                       {"managedID": 6}, {"managedID": 7}, {"managedID": 8}, {"managedID": 9}, {"managedID": 10},
                       {"managedID": 11}]}]})"));
        SpaceWatcher w(scheduler);
        w.start();
        StatusBarController c(item, w, *store, *contents, scheduler, alerts, front, front);
        const std::vector<MenuItem> menu = c.menuTree();
        const MenuItem* move = findItem(menu, QStringLiteral("Move Front Window To"));
        return std::make_pair(menu[std::size_t(n - 1)], move ? move->children.at(std::size_t(n - 2)) : MenuItem());
    };
    const auto [ten, moveTen] = keyOf(10);
    EXPECT_EQ(ten.key, Qt::Key_0);
    EXPECT_EQ(moveTen.key, Qt::Key_0);
    EXPECT_EQ(moveTen.modifiers, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    const auto [eleven, moveEleven] = keyOf(11);
    EXPECT_FALSE(eleven.hasKey());
    EXPECT_EQ(eleven.rich->prefix, QStringLiteral("11  "));
    EXPECT_FALSE(moveEleven.hasKey());
}

TEST_F(StatusBarTest, ToolsSubmenuPresence)
{
    auto tools = [this] { return findItem(bar->menuTree(), QStringLiteral("Windows and Spaces"))->children; };
    QStringList base = titles(tools());
    EXPECT_EQ(base, (QStringList{"Find a Window\u2026", "Windows on This Space\u2026", "Open App Here\u2026", "---",
                                 "Save Window Layout", "Restore Window Layout", "Prepare to Unplug Displays", "---",
                                 "Minimize All on This Space", "Save This Space and Close Its Windows", "---",
                                 "Add a Desktop", "Remove This Desktop", "Open Notes File for This Space"}));
    EXPECT_EQ(tools()[0].key, Qt::Key_F);

    Settings::defaults().set(K::scratchpadApp, QStringLiteral("org.example.mail"));
    Settings::defaults().set(K::activeProfile, QStringLiteral("Home"));
    front.undoable = true;
    front.profiles = QStringList{"Work", "Home"};
    std::vector<SavedSpace>& saved = front.saved;
    saved.resize(12);
    for (std::size_t i = 0; i < saved.size(); ++i) {
        saved[i].id = QUuid::createUuid();
        saved[i].name = QStringLiteral("Saved %1").arg(i);
        saved[i].apps = QStringList(int(i % 2 + 1), QStringLiteral("org.example.mail"));
    }
    front.commands.clear();

    const std::vector<MenuItem> all = tools();
    EXPECT_EQ(all[3].title, QStringLiteral("Toggle Scratchpad"));
    EXPECT_TRUE(findItem(all, QStringLiteral("Undo Minimize")));
    const MenuItem* reopen = findItem(all, QStringLiteral("Reopen Saved Space"));
    ASSERT_TRUE(reopen);
    ASSERT_EQ(reopen->children.size(), 10u);
    EXPECT_EQ(reopen->children[0].title, QStringLiteral("Saved 0 (1 apps)"));
    const MenuItem* profile = findItem(all, QStringLiteral("Profile"));
    ASSERT_TRUE(profile);
    EXPECT_EQ(profile->children[0].state, MenuItem::State::off);
    EXPECT_EQ(profile->children[1].state, MenuItem::State::on);
    EXPECT_EQ(titles(all).at(titles(all).indexOf("Profile") - 1), QStringLiteral("---"));

    // Payloads resolve when chosen: a saved Space removed meanwhile does nothing.
    choose(reopen->children[1]);
    saved.erase(saved.begin());
    choose(reopen->children[0]);
    EXPECT_EQ(called(QStringLiteral("restoreSaved")), std::vector<QString>{"Saved 1"});
    choose(*findItem(all, QStringLiteral("Remove This Desktop")));
    choose(profile->children[0]);
    EXPECT_EQ(front.commands, (std::vector<SpaceCommand>{SpaceCommand::removeDesktop(SpaceCommand::SpaceRef::current()),
                                                   SpaceCommand::profile("Work")}));
}

TEST_F(StatusBarTest, MoveCurrentBackAndPreviewItems)
{
    std::vector<MenuItem> menu = bar->menuTree();
    // Every display's active Space is left out of the move submenu.
    const MenuItem* move = findItem(menu, QStringLiteral("Move Front Window To"));
    EXPECT_EQ(titles(move->children), (QStringList{"Work", "Desktop 3"}));
    EXPECT_EQ(move->children[0].modifiers, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_FALSE(findItem(menu, QStringLiteral("Set Up This Space Now")));
    EXPECT_FALSE(findItem(menu, QStringLiteral("Back to Work")));
    EXPECT_EQ(findItem(menu, QStringLiteral("Settings\u2026"))->modifiers, Qt::ControlModifier);
    EXPECT_EQ(findItem(menu, QStringLiteral("Quit Lumivast"))->key, Qt::Key_Q);
    // The update items come just before "Settings…".
    MenuItem extra;
    extra.title = QStringLiteral("Check for Updates\u2026");
    front.extras = {extra};
    QStringList all = titles(bar->menuTree());
    EXPECT_EQ(all.indexOf(QStringLiteral("Check for Updates\u2026")) + 1, all.indexOf(QStringLiteral("Settings\u2026")));
    EXPECT_TRUE(all.contains(QStringLiteral("Refresh Previews")));

    front.previous = space(2);
    Settings::defaults().set(K::overlayHotKey, QStringLiteral("nonsense"));
    Settings::defaults().set(K::navigationShortcuts, false);
    SpaceAutomation automation;
    automation.launchApps = {QStringLiteral("org.example.mail")};
    store->setAutomation(automation, space(1).id);
    world->screenRecordingGranted = false;
    menu = bar->menuTree();
    const MenuItem* back = findItem(menu, QStringLiteral("Back to Work"));
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->hasKey());
    const MenuItem* overview = findItem(menu, QStringLiteral("Show Overview"));
    EXPECT_EQ(overview->key, Qt::Key_Tab);
    EXPECT_EQ(overview->modifiers, Qt::AltModifier);
    EXPECT_TRUE(findItem(menu, QStringLiteral("Set Up This Space Now")));
    const MenuItem* grant = findItem(menu, QStringLiteral("Enable Previews (Screen Recording)\u2026"));
    ASSERT_TRUE(grant);
    EXPECT_EQ(grant->symbol, QStringLiteral("exclamationmark.triangle"));
    Settings::defaults().set(K::thumbnailsEnabled, false);
    EXPECT_TRUE(findItem(bar->menuTree(), QStringLiteral("Refresh Previews")));
}

TEST_F(StatusBarTest, CurrentSpaceItemsResolveWhenChosen)
{
    std::vector<MenuItem> menu = bar->menuTree();
    const MenuItem rename = *findItem(menu, QStringLiteral("Rename Desktop 1\u2026"));
    const MenuItem edit = *findItem(menu, QStringLiteral("Note, Icon and Automation\u2026"));

    switchTo(3);
    alerts.answers.push_back(AlertAnswer{0, QStringLiteral("  Notes  "), false});
    choose(rename);
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].informativeText, QStringLiteral("Desktop 3"));
    EXPECT_FALSE(alerts.shown[0].checkboxLabel);
    EXPECT_EQ(store->displayName(space(3)), QStringLiteral("Notes"));
    EXPECT_EQ(store->displayName(space(1)), QStringLiteral("Desktop 1"));
    choose(edit);
    EXPECT_EQ(called(QStringLiteral("editSpace")), std::vector<QString>{space(3).id});
}
