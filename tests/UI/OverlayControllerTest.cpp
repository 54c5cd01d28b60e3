// The overview's window controller and views on the simulated system: the
// opening, the key table, the Option release, renaming, dragging, the tile
// menu and its dialogs, and what the window draws.

#include "UI/Overview/OverlayController.h"

#include "Core/Demo/DemoMode.h"
#include "Core/Previews/ThumbnailService.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/AppPaths.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Core/Switching/SpaceSwitcher.h"
#include "UI/Alerts/FileChooser.h"
#include "UI/Overview/OverlayDialogs.h"
#include "UI/Overview/TileMenu.h"
#include "tests/support/FakeAlertService.h"
#include "tests/support/RecordingFront.h"
#include "tests/support/SimWorldTest.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QJsonArray>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

using namespace lumivast;
namespace K = Settings::Key;

namespace {

// Ten desktops on one screen (1 current), two apps; the pointer on the screen.
const char* const kWorld = R"({
  "displays": [
    {"uuid": "11111111-1111-4111-8111-111111111111", "main": true, "frame": {"x": 0, "y": 0, "w": 1440, "h": 900},
     "current": 1, "spaces": [ {"managedID": 1, "uuid": "S1"}, {"managedID": 2, "uuid": "S2"}, {"managedID": 3, "uuid": "S3"},
                               {"managedID": 4, "uuid": "S4"}, {"managedID": 5, "uuid": "S5"}, {"managedID": 6, "uuid": "S6"},
                               {"managedID": 7, "uuid": "S7"}, {"managedID": 8, "uuid": "S8"}, {"managedID": 9, "uuid": "S9"},
                               {"managedID": 10, "uuid": "S10"} ]}
  ],
  "apps": [ {"pid": 401, "bundleID": "org.example.browser", "name": "Browser"},
            {"pid": 402, "bundleID": "org.example.editor", "name": "Editor"} ],
  "windows": [ {"id": 11, "pid": 401, "title": "Start", "frame": {"x": 100, "y": 100, "w": 600, "h": 400}, "spaces": [1]},
               {"id": 12, "pid": 402, "title": "Plan", "frame": {"x": 200, "y": 150, "w": 500, "h": 300}, "spaces": [2]} ],
  "screenCapture": {"delayMs": 40},
  "pointer": {"x": 700, "y": 400}
})";

// Answers at once, inside the call.
class FakeChooser final : public FileChooser {
public:
    QStringList messages;
    std::optional<QString> answer;

protected:
    void showImageDialog(const QString& message, Chosen chosen) override
    {
        messages << message;
        chosen(answer);
    }
};

OverlayKey key(int code, const QString& text = {}, Qt::KeyboardModifiers modifiers = {})
{
    const QKeyEvent event(QEvent::KeyPress, code, modifiers, text);
    return OverlayKey::fromEvent(event);
}

OverlayFlags release(int code, Qt::KeyboardModifiers before)
{
    const Qt::KeyboardModifiers after = before & ~(code == Qt::Key_Alt ? Qt::AltModifier : Qt::ShiftModifier);
    const QKeyEvent event(QEvent::KeyRelease, code, after);
    return OverlayFlags::fromEvent(event);
}

class OverlayControllerTest : public test::SimWorldTest {
protected:
    OverlayControllerTest()
    {
        install(worldFrom(kWorld));
        Settings::registerDefaults();
        DemoMode::resetForTesting();
        watcher = std::make_unique<SpaceWatcher>(scheduler);
        store = std::make_unique<SpaceStore>(scheduler, AppPaths::file(QStringLiteral("spaces.json")));
        thumbnails = std::make_unique<ThumbnailService>(scheduler, home.path("Thumbnails"));
        switcher = std::make_unique<SpaceSwitcher>(scheduler);
        contents = std::make_unique<SpaceContents>(scheduler);
        watcher->start();
        scheduler.runPending();
        controller = std::make_unique<OverlayController>(scheduler, *watcher, *store, *thumbnails, *switcher, *contents,
                                                         alerts, front);
        controller->setFileChooser(&chooser);
    }
    ~OverlayControllerTest() override { controller.reset(); }

    void open()
    {
        controller->show();
        scheduler.advance(300ms);
        ASSERT_TRUE(controller->isOpen());
    }
    int currentDesktop() { return watcher->snapshot().currentSpace()->desktopNumber.value_or(0); }
    OverlayViewModel& model() { return controller->model(); }
    OverlayTile tile(const QString& id)
    {
        for (const OverlayTile& t : model().allTiles()) {
            if (t.id == id)
                return t;
        }
        ADD_FAILURE() << "no tile " << id.toStdString();
        return {};
    }
    QStringList titles(const std::vector<MenuItem>& items)
    {
        QStringList out;
        for (const MenuItem& item : items)
            out << (item.isSeparator ? QStringLiteral("-") : item.title);
        return out;
    }
    std::vector<MenuItem> menuOf(const QString& id)
    {
        return TileMenu::items(tile(id), model(), alerts, chooser, {.beginRename = [this](const QString& t) {
                                   model().setSelectedID(t);
                                   model().setEditingID(t);
                               }});
    }
    const MenuItem& find(const std::vector<MenuItem>& items, const QString& title)
    {
        for (const MenuItem& item : items) {
            if (item.title == title)
                return item;
        }
        static MenuItem none;
        ADD_FAILURE() << "no item " << title.toStdString();
        return none;
    }
    void choose(const MenuItem& item)
    {
        ASSERT_TRUE(item.action);
        item.action();
        scheduler.runPending();
    }
    QPointF centreOf(const QString& id, bool name = false)
    {
        for (const auto& frame : controller->view()->frames().tiles) {
            if (frame.id == id)
                return name ? frame.name.center() : frame.card.center();
        }
        ADD_FAILURE() << "no frame " << id.toStdString();
        return {};
    }

    test::FakeAlertService alerts;
    test::RecordingFront front;
    FakeChooser chooser;
    std::unique_ptr<SpaceWatcher> watcher;
    std::unique_ptr<SpaceStore> store;
    std::unique_ptr<ThumbnailService> thumbnails;
    std::unique_ptr<SpaceSwitcher> switcher;
    std::unique_ptr<SpaceContents> contents;
    std::unique_ptr<OverlayController> controller;
};

} // namespace

TEST_F(OverlayControllerTest, TwoQuickRequestsOpenOneWindowOnlyAfterTheCapture)
{
    int presented = 0;
    QObject::connect(controller.get(), &OverlayController::presented, [&] { ++presented; });
    controller->show();
    controller->show();
    EXPECT_TRUE(controller->isTransitioning());
    EXPECT_FALSE(controller->isOpen());
    scheduler.advance(10ms);
    EXPECT_FALSE(controller->isOpen()) << "the capture is still under way";
    scheduler.advance(300ms);
    ASSERT_TRUE(controller->isOpen());
    EXPECT_EQ(presented, 1);
    // The preview was taken before the window existed, and no capture starts while it is open.
    EXPECT_TRUE(thumbnails->images().contains(QStringLiteral("S1")));
    EXPECT_TRUE(thumbnails->isSuspended());
    EXPECT_TRUE(model().isPresented());
    EXPECT_EQ(model().selectedID(), QStringLiteral("S1"));
    controller->show();
    EXPECT_EQ(presented, 1);

    // Closing during an opening finds no window; the opening still completes.
    controller->hide(true);
    controller->show();
    controller->hide(true);
    scheduler.advance(300ms);
    EXPECT_TRUE(controller->isOpen());
}

TEST_F(OverlayControllerTest, EscapeClearsTheSearchThenClosesAndGivesTheFocusBack)
{
    world->frontmostPID = 401;
    open();
    world->frontmostPID = std::nullopt; // the overview has the focus
    EXPECT_TRUE(controller->handleKey(key(Qt::Key_B, "b")));
    EXPECT_EQ(model().query(), QStringLiteral("b"));
    EXPECT_TRUE(controller->handleKey(key(Qt::Key_Escape)));
    EXPECT_EQ(model().query(), QString());
    EXPECT_TRUE(controller->isOpen());
    world->activatedPIDs.clear();
    EXPECT_TRUE(controller->handleKey(key(Qt::Key_Escape)));
    EXPECT_FALSE(controller->isOpen());
    EXPECT_EQ(world->activatedPIDs, (std::vector<std::int32_t>{401}));
    EXPECT_FALSE(thumbnails->isSuspended());
}

TEST_F(OverlayControllerTest, TheKeyTableSearchesPicksAndWalks)
{
    struct Case {
        const char* name;
        std::vector<OverlayKey> keys;
        int desktop;        // switched to (0: no switch)
        QString query;      // the search left behind when still open
        bool lastHandled;
    };
    const Case cases[] = {
        {"space with an empty search", {key(Qt::Key_Right), key(Qt::Key_Space, " ")}, 2, {}, true},
        {"space after typing", {key(Qt::Key_A, "a"), key(Qt::Key_Space, " ")}, 0, "a ", true},
        {"a digit", {key(Qt::Key_3, "3")}, 3, {}, true},
        {"0 for 10", {key(Qt::Key_0, "0")}, 10, {}, true},
        {"Option+3", {key(Qt::Key_3, "3", Qt::AltModifier)}, 3, {}, true},
        {"a then 3", {key(Qt::Key_A, "a"), key(Qt::Key_3, "3")}, 0, "a3", true},
        {"Shift+3 types its punctuation", {key(Qt::Key_NumberSign, "#", Qt::ShiftModifier)}, 0, "#", true},
        {"a symbol is not typed", {key(Qt::Key_Plus, "+", Qt::ShiftModifier)}, 0, {}, false},
        {"Command+F", {key(Qt::Key_F, "f", Qt::ControlModifier)}, 0, {}, false},
        {"Control+A", {key(Qt::Key_A, "a", Qt::MetaModifier)}, 0, {}, false},
        {"return after arrows", {key(Qt::Key_Right), key(Qt::Key_Right), key(Qt::Key_Left), key(Qt::Key_Return)}, 2, {}, true},
    };
    for (const Case& c : cases) {
        open();
        bool handled = false;
        for (const OverlayKey& k : c.keys)
            handled = controller->handleKey(k);
        EXPECT_EQ(handled, c.lastHandled) << c.name;
        scheduler.advance(1500ms);
        if (c.desktop) {
            EXPECT_FALSE(controller->isOpen()) << c.name;
            EXPECT_EQ(currentDesktop(), c.desktop) << c.name;
        } else {
            EXPECT_TRUE(controller->isOpen()) << c.name;
            EXPECT_EQ(model().query(), c.query) << c.name;
            EXPECT_EQ(currentDesktop(), 1) << c.name;
        }
        if (controller->isOpen())
            controller->hide(false);
        switcher->switchTo(*watcher->snapshot().space(QStringLiteral("S1")), watcher->snapshot());
        scheduler.advance(1500ms);
        ASSERT_EQ(currentDesktop(), 1) << c.name;
    }
}

TEST_F(OverlayControllerTest, TheKeyLeftOfOneWalksWhateverModifiersAreHeld)
{
    open();
    EXPECT_TRUE(controller->handleKey(key(Qt::Key_QuoteLeft, "`")));
    EXPECT_EQ(model().selectedID(), QStringLiteral("S2"));
    EXPECT_TRUE(controller->handleKey(key(Qt::Key_QuoteLeft, "~", Qt::ShiftModifier)));
    EXPECT_TRUE(controller->handleKey(key(Qt::Key_QuoteLeft, "~", Qt::ShiftModifier)));
    EXPECT_EQ(model().selectedID(), QStringLiteral("S10"));
    EXPECT_TRUE(controller->handleKey(key(Qt::Key_QuoteLeft, "", Qt::ControlModifier)));
    EXPECT_EQ(model().selectedID(), QStringLiteral("S1"));
    EXPECT_EQ(model().query(), QString());
    EXPECT_TRUE(controller->handleKey(key(Qt::Key_Backtab, "", Qt::ShiftModifier)));
    EXPECT_EQ(model().selectedID(), QStringLiteral("S10"));
}

TEST_F(OverlayControllerTest, ReleasingOptionSwitchesOnlyAfterTheSelectionMoved)
{
    open(); // the Option+Tab preset
    ASSERT_TRUE(controller->openedWithOption());
    // Released without a move: the overview stays.
    controller->handleFlags(release(Qt::Key_Alt, Qt::AltModifier));
    EXPECT_TRUE(controller->isOpen());

    controller->handleKey(key(Qt::Key_Tab, "\t", Qt::AltModifier));
    controller->handleKey(key(Qt::Key_Tab, "\t", Qt::AltModifier));
    // Shift let go while Option is still held, and again with Option up: no switch.
    controller->handleFlags(release(Qt::Key_Shift, Qt::AltModifier | Qt::ShiftModifier));
    controller->handleFlags(release(Qt::Key_Shift, Qt::ShiftModifier));
    EXPECT_TRUE(controller->isOpen());
    controller->handleFlags(release(Qt::Key_Alt, Qt::AltModifier));
    EXPECT_FALSE(controller->isOpen());
    // The Dock lands a switch 0.05 s after it is asked: asked at once, it would be there by now.
    scheduler.advance(60ms);
    EXPECT_EQ(currentDesktop(), 1) << "the switch waits 0.05 s after the close";
    scheduler.advance(1500ms);
    EXPECT_EQ(currentDesktop(), 3);
}

TEST_F(OverlayControllerTest, TheF13PresetNeverCommitsOnARelease)
{
    Settings::defaults().set(K::overlayHotKey, QStringLiteral("f13"));
    open();
    EXPECT_FALSE(controller->openedWithOption());
    controller->handleKey(key(Qt::Key_Tab, "\t"));
    controller->handleFlags(release(Qt::Key_Alt, Qt::AltModifier));
    EXPECT_TRUE(controller->isOpen());
}

TEST_F(OverlayControllerTest, AClosingWindowActsOnNothingMore)
{
    open();
    OverlayWindow* first = controller->window();
    controller->hide(false);
    EXPECT_FALSE(first->keyHandler);
    EXPECT_FALSE(first->flagsHandler);
    EXPECT_FALSE(first->onResignKey);
    // Return on the fading window: not handled, and no switch is scheduled.
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, {});
    QApplication::sendEvent(first, &enter);
    // A new opening during the fade is not closed by the old window's loss of focus.
    controller->show();
    scheduler.advance(100ms);
    ASSERT_TRUE(controller->isOpen());
    QEvent deactivate(QEvent::ActivationChange);
    QApplication::sendEvent(first, &deactivate);
    EXPECT_TRUE(controller->isOpen());
    scheduler.advance(1500ms);
    EXPECT_EQ(currentDesktop(), 1);

    // Losing activation closes the open one without giving the focus back.
    world->activatedPIDs.clear();
    controller->window()->onResignKey();
    EXPECT_FALSE(controller->isOpen());
    EXPECT_TRUE(world->activatedPIDs.empty());
}

TEST_F(OverlayControllerTest, RenamingInPlaceTakesTheKeysAndStoresTheTrimmedName)
{
    store->setName(QStringLiteral("Mail"), QStringLiteral("S2"));
    open();
    scheduler.runPending();
    OverlayView* view = controller->view();
    QTest::mouseDClick(view, Qt::LeftButton, {}, centreOf(QStringLiteral("S3"), true).toPoint());
    ASSERT_EQ(model().editingID(), QStringLiteral("S3"));
    EXPECT_EQ(model().selectedID(), QStringLiteral("S3"));
    QLineEdit* field = view->renameField();
    ASSERT_TRUE(field);
    EXPECT_EQ(field->text(), QString()) << "no custom name: the field starts empty";
    // The key table is off: letters, digits, arrows and Escape are the field's.
    for (int code : {Qt::Key_A, Qt::Key_3, Qt::Key_Return, Qt::Key_Left, Qt::Key_Escape})
        EXPECT_FALSE(controller->handleKey(key(code, "a"))) << code;
    QTest::keyClicks(field, QStringLiteral("  Code  "));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_FALSE(model().editingID());
    EXPECT_TRUE(controller->isOpen());
    scheduler.runPending();
    EXPECT_EQ(store->meta(QStringLiteral("S3")).name, QStringLiteral("Code"));
    // Offered again by the rename dialog, as a name given anywhere else is.
    EXPECT_EQ(Settings::defaults().stringList(Settings::Key::recentSpaceNames).value_or(QStringList()).value(0), "Code");

    // A named Space: its name fills the field; Escape drops the typing.
    QTest::mouseDClick(view, Qt::LeftButton, {}, centreOf(QStringLiteral("S2"), true).toPoint());
    field = view->renameField();
    ASSERT_TRUE(field);
    EXPECT_EQ(field->text(), QStringLiteral("Mail"));
    QTest::keyClicks(field, QStringLiteral("box"));
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_TRUE(controller->isOpen());
    EXPECT_FALSE(model().editingID());
    EXPECT_EQ(store->meta(QStringLiteral("S2")).name, QStringLiteral("Mail"));

    // Cleared and stored: the default name again.
    QTest::mouseDClick(view, Qt::LeftButton, {}, centreOf(QStringLiteral("S2"), true).toPoint());
    field = view->renameField();
    ASSERT_TRUE(field);
    field->clear();
    QTest::keyClick(field, Qt::Key_Return);
    scheduler.runPending();
    EXPECT_FALSE(store->meta(QStringLiteral("S2")).name);
    EXPECT_EQ(tile(QStringLiteral("S2")).name, QStringLiteral("Desktop 2"));
}

TEST_F(OverlayControllerTest, ClicksSelectCommitAndCloseAsTheirPlaceSays)
{
    open();
    OverlayView* view = controller->view();
    // A click on a name selects it and does nothing more.
    QTest::mouseClick(view, Qt::LeftButton, {}, centreOf(QStringLiteral("S4"), true).toPoint());
    EXPECT_EQ(model().selectedID(), QStringLiteral("S4"));
    EXPECT_TRUE(controller->isOpen());
    // A click on a card ends a rename and goes there without selecting first.
    model().setEditingID(QStringLiteral("S4"));
    QTest::mouseClick(view, Qt::LeftButton, {}, centreOf(QStringLiteral("S5")).toPoint());
    EXPECT_FALSE(controller->isOpen());
    EXPECT_EQ(model().selectedID(), QStringLiteral("S4"));
    scheduler.advance(1500ms);
    EXPECT_EQ(currentDesktop(), 5);

    // The header is content: a click on the "Spaces" title or on the hint line leaves it open.
    open();
    view = controller->view();
    for (const QPoint at : {QPoint(84, 70), QPoint(view->width() - 90, 70)}) {
        QTest::mouseClick(view, Qt::LeftButton, {}, at);
        EXPECT_TRUE(controller->isOpen()) << at.x();
    }

    // A click on the backdrop closes.
    QTest::mouseClick(controller->view(), Qt::LeftButton, {}, QPoint(5, 890));
    EXPECT_FALSE(controller->isOpen());
}

TEST_F(OverlayControllerTest, TheActiveSpaceOpensInSightEvenBelowTheFold)
{
    open();
    QTest::mouseClick(controller->view(), Qt::LeftButton, {}, centreOf(QStringLiteral("S10")).toPoint());
    scheduler.advance(1500ms);
    ASSERT_EQ(currentDesktop(), 10);
    // A category each: ten sections one below the other, the last far below the screen.
    for (int n = 1; n <= 10; ++n)
        store->setGroup(QStringLiteral("Group %1").arg(n, 2, 10, QLatin1Char('0')), QStringLiteral("S%1").arg(n));
    scheduler.runPending();
    open();
    ASSERT_EQ(model().selectedID(), QStringLiteral("S10"));
    const OverlayView::Frames f = controller->view()->frames();
    const auto frame = std::find_if(f.tiles.begin(), f.tiles.end(), [](const auto& t) { return t.id == "S10"; });
    ASSERT_NE(frame, f.tiles.end());
    EXPECT_GE(frame->tile.top(), f.scrollArea.top());
    EXPECT_LE(frame->tile.bottom(), f.scrollArea.bottom());
}

TEST_F(OverlayControllerTest, DropsOrderTilesOnTheNextTurnAndAcceptAnyText)
{
    open();
    OverlayView* view = controller->view();
    model().setDraggingID(QStringLiteral("S3"));
    const auto drop = [&](const QString& text, const QString& onto) {
        QMimeData data;
        data.setText(text);
        // A drop reaches the widget that accepted the drag's entry.
        QDragEnterEvent enter(centreOf(onto).toPoint(), Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(view, &enter);
        QDropEvent event(centreOf(onto), Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(view, &event);
        return event.isAccepted();
    };
    EXPECT_TRUE(drop(QStringLiteral("S3"), QStringLiteral("S1")));
    EXPECT_FALSE(model().draggingID());
    EXPECT_EQ(model().allTiles().front().id, QStringLiteral("S1")) << "moved on the next turn of the loop";
    scheduler.runPending();
    EXPECT_EQ(model().allTiles().front().id, QStringLiteral("S3"));
    // Text from anywhere is taken as an id.
    EXPECT_TRUE(drop(QStringLiteral("dragged in"), QStringLiteral("S2")));
    scheduler.runPending();
    const QStringList order = Settings::defaults().stringList(K::overviewOrder).value_or(QStringList{});
    EXPECT_EQ(order.mid(0, 4), (QStringList{"S3", "S1", "dragged in", "S2"}));
    // The dragged tile is drawn whole again after the overview closes.
    model().setDraggingID(QStringLiteral("S2"));
    controller->hide(false);
    EXPECT_FALSE(model().draggingID());
}

TEST_F(OverlayControllerTest, TheTileMenuOffersWhatTheTileAllows)
{
    SpaceAutomation automation;
    automation.launchApps = {QStringLiteral("org.example.editor")};
    store->setAutomation(automation, QStringLiteral("S2"));
    store->setName(QStringLiteral("Mail"), QStringLiteral("S2"));
    scheduler.runPending();
    model().rebuild();
    const QStringList plain{"Rename…", "Icon", "Color", "Edit Note…", "Open Notes File", "Category", "Choose Icon Image…",
                            "-", "Automation and Details…", "-", "Remove Preview"};
    EXPECT_EQ(titles(menuOf(QStringLiteral("S1"))), plain) << "current, unnamed, no automation, no icon, no arrangement";

    Settings::defaults().set(K::overviewOrder, QJsonArray{"S2"});
    const QImage picture(64, 64, QImage::Format_ARGB32);
    const QString file = home.path("icon.png");
    QImage(picture).save(file);
    store->setCustomIcon(file, QStringLiteral("S2"));
    scheduler.runPending();
    model().rebuild();
    EXPECT_EQ(titles(menuOf(QStringLiteral("S2"))),
              (QStringList{"Rename…", "Use Default Name", "Icon", "Color", "Edit Note…", "Open Notes File", "Category",
                           "Choose Icon Image…", "Remove Icon Image", "-", "Move Front Window Here", "Set Up This Space Now",
                           "Automation and Details…", "-", "Remove Preview", "Reset Arrangement"}));

    // Submenus.
    const auto menu = menuOf(QStringLiteral("S2"));
    const auto& icons = find(menu, "Icon").children;
    ASSERT_EQ(icons.size(), 26u);
    EXPECT_EQ(icons[3].title, QStringLiteral("chevron left forwardslash chevron right"));
    EXPECT_EQ(icons.back().title, QStringLiteral("Default Icon"));
    store->setColor(QStringLiteral("#4FBF7A"), QStringLiteral("S3"));
    scheduler.runPending();
    model().rebuild();
    int filled = 0;
    // The menu held by name: a range-for keeps only the last temporary alive.
    const auto colored = menuOf(QStringLiteral("S3"));
    for (const MenuItem& item : find(colored, "Color").children)
        filled += item.symbol == QStringLiteral("circle.fill");
    EXPECT_EQ(filled, 1);
    store->setColor(QStringLiteral("#4fbf7a"), QStringLiteral("S3"));
    scheduler.runPending();
    model().rebuild();
    filled = 0;
    const auto recolored = menuOf(QStringLiteral("S3"));
    for (const MenuItem& item : find(recolored, "Color").children)
        filled += item.symbol == QStringLiteral("circle.fill");
    EXPECT_EQ(filled, 0) << "a colour stored otherwise marks none";
    EXPECT_EQ(titles(find(menu, "Category").children), (QStringList{"New Category…", "-", "None"}));

    // Each item's store call, or what it sends to the sink once the overview closed:
    // the front window moves 0.25 s after, the setup runs 0.4 s after its switch.
    choose(find(menu, "Move Front Window Here"));
    choose(find(menu, "Set Up This Space Now"));
    choose(find(menu, "Automation and Details…"));
    EXPECT_EQ(front.calls, (QStringList{"switchTo S2", "editSpace S2"}));
    scheduler.advance(250ms);
    EXPECT_EQ(front.calls, (QStringList{"switchTo S2", "editSpace S2", "moveFrontWindow S2"}));
    scheduler.advance(150ms);
    EXPECT_EQ(front.calls, (QStringList{"switchTo S2", "editSpace S2", "moveFrontWindow S2", "setUp S2"}));
    choose(find(find(menu, "Icon").children, "star"));
    EXPECT_EQ(store->meta(QStringLiteral("S2")).symbol, QStringLiteral("star"));
    choose(find(find(menu, "Color").children, "Teal"));
    EXPECT_EQ(store->meta(QStringLiteral("S2")).colorHex, QStringLiteral("#3FB9CF"));
    choose(find(menu, "Use Default Name"));
    EXPECT_FALSE(store->meta(QStringLiteral("S2")).name);
    choose(find(menu, "Remove Icon Image"));
    EXPECT_FALSE(store->meta(QStringLiteral("S2")).iconFile);
    chooser.answer = file;
    choose(find(menu, "Choose Icon Image…"));
    EXPECT_EQ(chooser.messages, QStringList{"Choose an image for Mail"});
    EXPECT_TRUE(store->meta(QStringLiteral("S2")).iconFile);
    choose(find(menu, "Rename…"));
    EXPECT_EQ(model().editingID(), QStringLiteral("S2"));
    choose(find(menu, "Reset Arrangement"));
    EXPECT_EQ(Settings::defaults().stringList(K::overviewOrder), QStringList{});
    EXPECT_TRUE(titles(menuOf(QStringLiteral("S2"))).indexOf("Reset Arrangement") < 0);
    thumbnails->captureActiveSpaces(watcher->snapshot(), Duration::zero());
    scheduler.advance(200ms);
    ASSERT_TRUE(thumbnails->images().contains(QStringLiteral("S1")));
    choose(find(menuOf(QStringLiteral("S1")), "Remove Preview"));
    EXPECT_FALSE(thumbnails->images().contains(QStringLiteral("S1")));
}

TEST_F(OverlayControllerTest, TheNoteAndCategoryDialogsStoreOnlyOnSave)
{
    store->setNote(QStringLiteral("inbox zero"), QStringLiteral("S2"));
    store->setGroup(QStringLiteral("Home"), QStringLiteral("S3"));
    store->setGroup(QStringLiteral("Work"), QStringLiteral("S4"));
    scheduler.runPending();
    model().rebuild();

    alerts.answers = {AlertAnswer{0, QStringLiteral("\n  triage \nfirst  "), false}};
    NoteDialog::present(tile(QStringLiteral("S2")), model(), alerts);
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].messageText, QStringLiteral("Note for Desktop 2"));
    EXPECT_EQ(alerts.shown[0].field->text, QStringLiteral("inbox zero"));
    EXPECT_EQ(alerts.shown[0].buttons, (QStringList{"Save", "Cancel"}));
    EXPECT_EQ(store->meta(QStringLiteral("S2")).note, QStringLiteral("triage \nfirst"));
    alerts.answers = {AlertAnswer{1, QStringLiteral("ignored"), false}};
    NoteDialog::present(tile(QStringLiteral("S2")), model(), alerts);
    EXPECT_EQ(store->meta(QStringLiteral("S2")).note, QStringLiteral("triage \nfirst"));

    alerts.answers = {AlertAnswer{0, QStringLiteral(" Clients "), false}};
    CategoryDialog::present(tile(QStringLiteral("S3")), model(), alerts);
    EXPECT_EQ(alerts.shown.back().field->text, QString()) << "never pre-filled";
    EXPECT_EQ(alerts.shown.back().field->items, (QStringList{"Admin", "Clients", "Home", "Personal", "Projects", "Work"}));
    EXPECT_EQ(store->meta(QStringLiteral("S3")).group, QStringLiteral("Clients"));
    alerts.answers = {AlertAnswer{0, QString(), false}};
    CategoryDialog::present(tile(QStringLiteral("S3")), model(), alerts);
    EXPECT_FALSE(store->meta(QStringLiteral("S3")).group);
    EXPECT_EQ(CategoryDialog::choices({"work"}), (QStringList{"Admin", "Clients", "Personal", "Projects", "Work", "work"}));
}

TEST_F(OverlayControllerTest, TheWindowDrawsBordersPlaceholdersPreviewsAndTheBackdrop)
{
    open();
    scheduler.advance(1s); // the column has settled
    OverlayView* view = controller->view();
    const QImage shot = view->grab().toImage();
    const auto frameOf = [&](const QString& id) {
        for (const auto& f : view->frames().tiles) {
            if (f.id == id)
                return f;
        }
        return OverlayView::TileFrame{};
    };
    // No desktop picture in this world: the grey under the dimming layer.
    const QColor backdrop = shot.pixelColor(3, shot.height() - 3);
    EXPECT_NEAR(backdrop.red(), int(0.08 * 255 * 0.58), 2);
    EXPECT_EQ(backdrop.red(), backdrop.blue());

    // The selected tile (the current Space, no colour): a white border 3 px wide, inside the card's edge.
    const auto selected = frameOf(QStringLiteral("S1"));
    const int y = int(selected.card.center().y());
    const int left = int(selected.card.left());
    for (int dx = 0; dx < 3; ++dx)
        EXPECT_GT(shot.pixelColor(left + dx, y).lightness(), 240) << dx;
    EXPECT_LT(shot.pixelColor(left - 1, y).lightness(), 120) << "nothing outside the edge";

    // The current Space's preview: its window colours inside the card.
    const QImage picture = thumbnails->images().at(QStringLiteral("S1")).image();
    ASSERT_FALSE(picture.isNull());
    const QColor drawn = shot.pixelColor(selected.card.center().toPoint());
    const QColor taken = picture.pixelColor(picture.rect().center());
    EXPECT_NEAR(drawn.red(), taken.red(), 40);
    EXPECT_NEAR(drawn.green(), taken.green(), 40);
    EXPECT_NEAR(drawn.blue(), taken.blue(), 40);
    // A placeholder card tinted with its automatic colour.
    const auto placeholder = frameOf(QStringLiteral("S3"));
    const QColor tint = shot.pixelColor(int(placeholder.card.left() + 6), int(placeholder.card.top() + 40));
    EXPECT_GT(tint.saturation(), 60) << "a tinted card, not grey";

    // No banner while capture is permitted; one when it is not.
    EXPECT_FALSE(view->frames().banner);
    controller->hide(false);
    world->screenRecordingGranted = false;
    open();
    EXPECT_TRUE(controller->view()->frames().banner);
    Settings::defaults().set(K::thumbnailsEnabled, false);
    controller->hide(false);
    open();
    EXPECT_FALSE(controller->view()->frames().banner);
}

TEST_F(OverlayControllerTest, APlaceholderLeavesOutWhatWouldOverlap)
{
    OverlayTile tile;
    tile.name = QStringLiteral("Mail and Chat");
    tile.number = 2;
    tile.hasCustomName = true;
    // The number badge: 10 in from the top-left corner, a 12-pixel line and 8 high.
    const double badgeBottom = 10 + 12 + 8;
    const auto clear = [&](const OverlayLayout::Placeholder& l, const QRectF& card, bool apps) {
        const QRectF lowest = l.caption ? *l.caption : l.name ? *l.name : QRectF();
        if (l.name) {
            EXPECT_TRUE(card.contains(*l.name)) << "the name stays on the card";
            EXPECT_GE(l.name->top(), card.top() + badgeBottom) << "clear of the number badge";
        }
        if (l.chip) {
            EXPECT_GE(l.chip->top(), card.top() + badgeBottom) << "clear of the number badge";
            if (l.name)
                EXPECT_LE(l.chip->bottom() + 8, l.name->top() + 0.01);
        }
        if (l.caption && l.name) {
            EXPECT_LE(l.name->bottom() + 6, l.caption->top() + 0.01);
        }
        if (apps && !lowest.isNull()) { // the app strip: 30 high, 8 in from the bottom-left corner
            EXPECT_LE(lowest.bottom(), card.bottom() - 8 - 30 + 0.01);
        }
    };
    // A roomy card shows all three.
    const QRectF large(0, 0, 303, 189);
    const auto full = OverlayLayout::placeholder(large, tile);
    EXPECT_TRUE(full.chip);
    EXPECT_TRUE(full.caption);
    EXPECT_TRUE(full.name);
    clear(full, large, false);
    // The smallest card: the name, below the badge.
    const QRectF smallest(0, 0, 140, 91);
    const auto least = OverlayLayout::placeholder(smallest, tile);
    EXPECT_TRUE(least.name);
    clear(least, smallest, false);
    // A small card with apps: the lines stand above the strip, and what cannot gives way.
    tile.apps = {SpaceContents::AppOnSpace{401, QStringLiteral("org.example.browser"), QStringLiteral("Browser"), {}}};
    const QRectF small(0, 0, 126, 82);
    const auto tight = OverlayLayout::placeholder(small, tile);
    EXPECT_FALSE(tight.chip);
    clear(tight, small, true);
    clear(OverlayLayout::placeholder(smallest, tile), smallest, true);
    clear(OverlayLayout::placeholder(large, tile), large, true);
}

TEST_F(OverlayControllerTest, TheHeaderShowsOnlyWholeHintsThatFit)
{
    open();
    OverlayView* view = controller->view();
    const QString type = QStringLiteral("Type to search"), drag = QStringLiteral("Drag to arrange"),
                  rename = QStringLiteral("Double-click a name to rename"), close = QStringLiteral("Esc to close");
    struct Case {
        int width;
        QStringList hints;
    } cases[] = {
        {1920, {type, drag, rename, close}}, {1512, {type, drag, rename, close}}, {1440, {type, drag, rename, close}},
        {1280, {type, drag, rename, close}}, {1024, {type, drag, close}}, {756, {type, close}}, {640, {close}}, {560, {close}}, {400, {}},
    };
    for (const Case& c : cases) {
        view->resize(c.width, 900);
        EXPECT_EQ(OverlayLayout::headerHints(view->frames().hints.width()), c.hints.join(QStringLiteral("  \u00B7  ")))
            << c.width << " px, room " << view->frames().hints.width();
    }
}

TEST(OverlayStrip, TheAppStripStaysOnItsCard)
{
    struct Case {
        double cardWidth;
        std::size_t apps, shown;
    };
    for (const Case c : {Case{303, 3, 3}, Case{303, 6, 6}, Case{303, 9, 6}, Case{140, 6, 3}, Case{140, 7, 3}, Case{140, 2, 2}}) {
        const std::size_t shown = OverlayLayout::stripIcons(c.cardWidth, c.apps);
        EXPECT_EQ(shown, c.shown) << c.cardWidth << " " << c.apps;
        EXPECT_LE(OverlayLayout::stripWidth(shown, c.apps), c.cardWidth - 2 * 8) << c.cardWidth << " " << c.apps;
    }
}

TEST_F(OverlayControllerTest, EachAppIconIsClickedWhereItIsDrawn)
{
    // Eight more apps with a window each on the first desktop: six icons and the count of the rest.
    for (int a = 0; a < 8; ++a) {
        SimWorld::App app;
        app.pid = 500 + a;
        app.bundleID = QStringLiteral("org.example.app%1").arg(a);
        app.name = QStringLiteral("App %1").arg(a);
        world->apps.push_back(app);
        SimWorld::Window window;
        window.id = 60 + std::uint32_t(a);
        window.pid = app.pid;
        window.title = app.name;
        window.frame = QRectF(40 + 10 * a, 40 + 10 * a, 300, 200);
        window.spaces = {1};
        world->windows.push_back(window);
    }
    contents->refresh();
    scheduler.advance(300ms);
    open();
    scheduler.advance(1s);
    std::vector<std::pair<QString, QString>> focused;
    model().onFocusApp = [&](const Space& space, const SpaceContents::AppOnSpace& app) {
        focused.emplace_back(space.id, app.name);
    };
    OverlayView* view = controller->view();
    const QImage shot = view->grab().toImage();
    std::size_t icons = 0;
    for (const OverlayView::TileFrame& frame : view->frames().tiles) {
        const OverlayTile t = tile(frame.id);
        ASSERT_EQ(frame.appIcons.size(), std::min<std::size_t>(t.apps.size(), 6)) << t.id.toStdString();
        EXPECT_EQ(frame.moreApps.has_value(), t.apps.size() > 6);
        for (std::size_t a = 0; a < frame.appIcons.size(); ++a) {
            const QPoint at = frame.appIcons[a].center().toPoint();
            // Drawn there: the app's own icon.
            const QImage icon = t.apps[a].icon();
            ASSERT_FALSE(icon.isNull());
            const QColor expected = icon.pixelColor(icon.rect().center());
            const QColor drawn = shot.pixelColor(at);
            EXPECT_NEAR(drawn.red(), expected.red(), 16) << t.apps[a].name.toStdString();
            EXPECT_NEAR(drawn.green(), expected.green(), 16) << t.apps[a].name.toStdString();
            EXPECT_NEAR(drawn.blue(), expected.blue(), 16) << t.apps[a].name.toStdString();
            // Clicked there: that app, on that Space.
            focused.clear();
            QTest::mouseClick(view, Qt::LeftButton, {}, at);
            EXPECT_EQ(focused, (std::vector<std::pair<QString, QString>>{{t.space.id, t.apps[a].name}}));
            ++icons;
        }
    }
    EXPECT_EQ(icons, 6u + 1u) << "six of the first desktop's nine apps, the second desktop's one";
    EXPECT_TRUE(controller->isOpen());
}

TEST_F(OverlayControllerTest, PicturesOutliveAnOpeningButNeverAChangedPreview)
{
    const auto drawnCentre = [&] {
        OverlayView* view = controller->view();
        const QImage shot = view->grab().toImage();
        for (const auto& f : view->frames().tiles) {
            if (f.id == QStringLiteral("S1"))
                return shot.pixelColor(f.card.center().toPoint());
        }
        ADD_FAILURE() << "no frame for S1";
        return QColor();
    };
    const auto takenCentre = [&] {
        const QImage picture = thumbnails->images().at(QStringLiteral("S1")).image();
        return picture.pixelColor(picture.rect().center());
    };
    const auto near = [](const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) <= 40 && std::abs(a.green() - b.green()) <= 40 && std::abs(a.blue() - b.blue()) <= 40;
    };

    open();
    scheduler.advance(1s);
    const QColor before = drawnCentre();
    EXPECT_TRUE(near(before, takenCentre()));
    // The backdrop is made once for the opening: frames and repaints reuse it.
    const qint64 backdrop = controller->view()->backdrop().cacheKey();
    scheduler.advance(200ms);
    controller->view()->grab();
    EXPECT_EQ(controller->view()->backdrop().cacheKey(), backdrop);
    controller->hide(false);
    scheduler.advance(1s);

    // The browser window now covers the desktop's centre: the next opening
    // captures it, and the tile shows the new preview, not the kept one.
    for (SimWorld::Window& window : world->windows) {
        if (window.id == 11)
            window.frame = QRectF(0, 0, 1440, 900);
    }
    open();
    scheduler.advance(1s);
    const QColor after = drawnCentre();
    EXPECT_TRUE(near(after, takenCentre())) << after.name().toStdString() << " " << takenCentre().name().toStdString();
    EXPECT_FALSE(near(after, before)) << "the picture changed with the preview";
}

TEST_F(OverlayControllerTest, AClosedWindowServesTheNextOpeningWithNothingLeftOver)
{
    open();
    QPointer<OverlayWindow> first = controller->window();
    QPointer<OverlayView> firstView = controller->view();
    scheduler.advance(1s);
    // State of this opening: a search, a moved selection, a hovered tile, a rename under way.
    EXPECT_TRUE(controller->handleKey(key(Qt::Key_Right)));
    EXPECT_TRUE(controller->handleKey(key(Qt::Key_D, "d")));
    const QPointF over = centreOf(QStringLiteral("S3"));
    QMouseEvent move(QEvent::MouseMove, over, controller->view()->mapToGlobal(over), Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(controller->view(), &move);
    model().setEditingID(QStringLiteral("S3"));
    scheduler.runPending();
    controller->hide(false);
    EXPECT_EQ(controller->spareWindow(), nullptr) << "not while it fades";
    scheduler.advance(300ms);
    ASSERT_EQ(controller->spareWindow(), first.data());
    EXPECT_FALSE(first->isVisible());
    EXPECT_TRUE(firstView.isNull() || firstView->isHidden()) << "the view of the last opening goes";

    open();
    EXPECT_EQ(controller->window(), first.data());
    EXPECT_EQ(controller->spareWindow(), nullptr);
    OverlayView* view = controller->view();
    ASSERT_NE(view, firstView.data());
    EXPECT_EQ(first->findChildren<OverlayView*>(Qt::FindDirectChildrenOnly).size() - (firstView.isNull() ? 0 : 1), 1u);
    EXPECT_EQ(model().query(), QString());
    EXPECT_EQ(model().selectedID(), QStringLiteral("S1"));
    EXPECT_EQ(model().editingID(), std::nullopt);
    EXPECT_EQ(view->renameField(), nullptr);
    EXPECT_EQ(view->scrollOffset(), 0);
    EXPECT_LT(view->presentation(), 1) << "it opens with its animation again";
    EXPECT_EQ(view->size(), first->size());
    // Its keys work again: Return switches to the selection.
    scheduler.advance(1s);
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, {});
    QApplication::sendEvent(first.data(), &right);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, {});
    QApplication::sendEvent(first.data(), &enter);
    EXPECT_FALSE(controller->isOpen());
    scheduler.advance(1500ms);
    EXPECT_EQ(currentDesktop(), 2);
}

TEST_F(OverlayControllerTest, AnOpeningDuringTheFadeTakesANewWindowAndOneIsKept)
{
    open();
    QPointer<OverlayWindow> first = controller->window();
    controller->hide(false);
    open();
    QPointer<OverlayWindow> second = controller->window();
    ASSERT_NE(second.data(), first.data()) << "the closing one still fades";
    scheduler.advance(300ms);
    // The faded one is kept; the open one is untouched by the fade's end.
    EXPECT_EQ(controller->spareWindow(), first.data());
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(second->opacity(), 1.0);
    ASSERT_TRUE(controller->isOpen());
    EXPECT_TRUE(second->keyHandler);

    // One window is kept at most: the next one to fade out goes.
    controller->hide(false);
    scheduler.advance(300ms);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(second.isNull());
    EXPECT_EQ(controller->spareWindow(), first.data());
    open();
    EXPECT_EQ(controller->window(), first.data());
}

TEST_F(OverlayControllerTest, APreparedWindowShowsNothingAndFollowsTheScreenItOpensOn)
{
    controller->prepareWindow();
    QPointer<OverlayWindow> prepared = controller->spareWindow();
    ASSERT_TRUE(prepared);
    EXPECT_FALSE(prepared->isVisible());
    EXPECT_EQ(prepared->modelFrame(), QRectF(0, 0, 1440, 900));
    EXPECT_EQ(prepared->size(), QSize(1440, 900));
    controller->prepareWindow();
    EXPECT_EQ(controller->spareWindow(), prepared.data()) << "one is enough";

    // The screen has changed size since: the window and its view take the new one.
    world->displays.front().frame = QRectF(0, 0, 1920, 1080);
    world->pointer = QPointF(900, 500);
    open();
    EXPECT_EQ(controller->window(), prepared.data());
    EXPECT_EQ(prepared->modelFrame(), QRectF(0, 0, 1920, 1080));
    EXPECT_EQ(prepared->size(), QSize(1920, 1080));
    EXPECT_EQ(controller->view()->size(), QSize(1920, 1080));
    EXPECT_NEAR(controller->view()->frames().header.width(), 1920 - 2 * 72, 0.5);
    EXPECT_TRUE(prepared->isVisible());
}

TEST_F(OverlayControllerTest, ASearchThatKeepsTheTilesRepaintsOnlyTheHeader)
{
    struct Paints final : QObject {
        QRegion region;
        int count = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint) {
                region += static_cast<QPaintEvent*>(event)->region();
                ++count;
            }
            return false;
        }
    };
    open();
    scheduler.advance(1s);
    QCoreApplication::processEvents();
    OverlayView* view = controller->view();
    const QRect header = view->frames().header.toAlignedRect();
    Paints paints;
    view->installEventFilter(&paints);
    const auto typed = [&](const QString& text) {
        paints.region = QRegion();
        paints.count = 0;
        EXPECT_TRUE(controller->handleKey(key(Qt::Key_unknown, text)));
        // The key, then the pill easing to its new width.
        for (int i = 0; i < 20; ++i) {
            QCoreApplication::processEvents();
            scheduler.advance(16ms);
        }
        QCoreApplication::processEvents();
    };
    // Every desktop's name holds an "e": the same tiles.
    typed(QStringLiteral("e"));
    ASSERT_EQ(model().allTiles().size(), 10u);
    EXPECT_GT(paints.count, 0);
    EXPECT_TRUE(paints.region.boundingRect().intersects(header));
    EXPECT_LT(paints.region.boundingRect().height(), header.height() + 20) << "only the header";
    // What the window shows after those partial repaints is what a whole one draws.
    const QImage shown = view->screen()->grabWindow(controller->window()->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage whole = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), whole.size());
    EXPECT_TRUE(shown == whole);
    // A search that drops tiles draws the grid again.
    typed(QStringLiteral("x"));
    ASSERT_LT(model().allTiles().size(), 10u);
    EXPECT_EQ(paints.region.boundingRect(), view->rect());
    view->removeEventFilter(&paints);
}

TEST_F(OverlayControllerTest, PreviewsAreDecodedAheadOfTheFirstOpeningAndAreTheOnesShown)
{
    // Previews of three Spaces kept from an earlier run, each one colour.
    const auto colourOf = [](int s) { return QColor::fromHsv(s * 90 % 360, 200, 220); };
    controller.reset();
    ASSERT_TRUE(QDir().mkpath(home.path("Thumbnails")));
    for (int s = 2; s <= 4; ++s) {
        QImage picture(720, 450, QImage::Format_RGB32);
        picture.fill(colourOf(s));
        ASSERT_TRUE(picture.save(home.path("Thumbnails") + QStringLiteral("/S%1.jpg").arg(s), "JPEG", 95));
    }
    thumbnails = std::make_unique<ThumbnailService>(scheduler, home.path("Thumbnails"));
    controller = std::make_unique<OverlayController>(scheduler, *watcher, *store, *thumbnails, *switcher, *contents, alerts,
                                                     front);
    controller->setFileChooser(&chooser);

    controller->prepareWindow();
    const int madeAhead = controller->pictures().made();
    open();
    scheduler.advance(1s);
    OverlayView* view = controller->view();
    const QImage shot = view->grab().toImage();
    // Only the current Space's preview, captured as the overview opened, is decoded now.
    EXPECT_EQ(controller->pictures().made() - madeAhead, 1);
    for (const auto& frame : view->frames().tiles) {
        const int s = frame.id.mid(1).toInt();
        if (s < 2 || s > 4)
            continue;
        EXPECT_TRUE(view->holdsPictureAtSize(frame.id)) << s;
        const QColor drawn = shot.pixelColor(frame.card.center().toPoint());
        EXPECT_NEAR(drawn.red(), colourOf(s).red(), 12) << s;
        EXPECT_NEAR(drawn.green(), colourOf(s).green(), 12) << s;
        EXPECT_NEAR(drawn.blue(), colourOf(s).blue(), 12) << s;
    }
}

TEST_F(OverlayControllerTest, APictureNeededAtANewSizeStandsInScaledAndIsMadeAfterTheFrame)
{
    struct Paints final : QObject {
        QRegion region;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                region += static_cast<QPaintEvent*>(event)->region();
            return false;
        }
    };
    const auto centreColour = [&](const QImage& shot) {
        for (const auto& f : controller->view()->frames().tiles) {
            if (f.id == QStringLiteral("S1"))
                return shot.pixelColor(f.card.center().toPoint());
        }
        ADD_FAILURE() << "no frame for S1";
        return QColor();
    };
    const auto nearTaken = [&](const QColor& drawn) {
        const QImage picture = thumbnails->images().at(QStringLiteral("S1")).image();
        const QColor taken = picture.pixelColor(picture.rect().center());
        return std::abs(drawn.red() - taken.red()) <= 40 && std::abs(drawn.green() - taken.green()) <= 40
            && std::abs(drawn.blue() - taken.blue()) <= 40;
    };
    open();
    scheduler.advance(1s);
    OverlayView* view = controller->view();
    view->grab();
    ASSERT_TRUE(view->holdsPictureAtSize(QStringLiteral("S1")));
    const QSizeF fullGrid = model().tileSize();
    const int made = controller->pictures().made();

    // Two Spaces match: larger tiles. The frame decodes nothing; the picture
    // at hand is drawn scaled.
    model().setQuery(QStringLiteral("Desktop 1"));
    ASSERT_EQ(model().allTiles().size(), 2u);
    ASSERT_NE(model().tileSize(), fullGrid);
    scheduler.advance(200ms); // the pill settles
    QCoreApplication::processEvents();
    const QImage standIn = view->grab().toImage();
    EXPECT_EQ(controller->pictures().made(), made);
    EXPECT_FALSE(view->holdsPictureAtSize(QStringLiteral("S1")));
    EXPECT_TRUE(nearTaken(centreColour(standIn)));

    // After the frame, the picture is made at its size and its tile drawn again.
    Paints paints;
    view->installEventFilter(&paints);
    scheduler.runPending();
    QCoreApplication::processEvents();
    view->removeEventFilter(&paints);
    EXPECT_EQ(controller->pictures().made(), made + 1);
    EXPECT_TRUE(view->holdsPictureAtSize(QStringLiteral("S1")));
    QRectF card;
    for (const auto& f : view->frames().tiles) {
        if (f.id == QStringLiteral("S1"))
            card = f.card;
    }
    EXPECT_TRUE(paints.region.contains(card.toAlignedRect()));
    EXPECT_TRUE(nearTaken(centreColour(view->grab().toImage())));

    // Back to the whole grid: its size is still held.
    model().setQuery(QString());
    view->grab();
    scheduler.runPending();
    EXPECT_EQ(controller->pictures().made(), made + 1);
}

TEST_F(OverlayControllerTest, WhatChangesWhileTheOverviewOpensShowsInTheNextFrame)
{
    controller->show();
    for (int i = 0; i < 50 && !controller->isOpen(); ++i)
        scheduler.advance(10ms);
    ASSERT_TRUE(controller->isOpen());
    scheduler.advance(150ms);
    OverlayView* view = controller->view();
    ASSERT_GT(view->presentation(), 0.5);
    ASSERT_LT(view->presentation(), 0.99);
    QPoint centre;
    for (const auto& f : view->frames().tiles) {
        if (f.id == QStringLiteral("S3"))
            centre = f.card.center().toPoint();
    }
    const auto hue = [&] { return view->grab().toImage().pixelColor(centre).hsvHue(); };
    const int before = hue();
    // A colour given to the Space meanwhile: the tile fades in with it.
    store->setColor(QStringLiteral("#0A84FF"), QStringLiteral("S3"));
    scheduler.runPending();
    ASSERT_LT(view->presentation(), 0.99);
    const int after = hue();
    EXPECT_NEAR(after, QColor(0x0A, 0x84, 0xFF).hsvHue(), 12);
    EXPECT_GT(std::abs(after - before), 20) << "the placeholder's own colour was another";
    // At rest it is drawn the same.
    scheduler.advance(1s);
    EXPECT_NEAR(hue(), after, 4);
}
