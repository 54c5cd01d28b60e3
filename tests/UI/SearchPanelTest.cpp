#include "UI/Search/PanelSources.h"
#include "UI/Search/SearchPanelController.h"
#include "UI/Search/SearchPanelModel.h"
#include "UI/Search/SearchPanelView.h"
#include "UI/Symbols/SymbolCatalogue.h"
#include "tests/UI/PanelWorld.h"
#include "tests/support/RecordingFront.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

using WindowInfo = SpaceContents::WindowInfo;

std::vector<QString> ids(const std::vector<PanelItem>& items)
{
    std::vector<QString> result;
    for (const PanelItem& item : items)
        result.push_back(item.id);
    return result;
}

class SearchPanelTest : public test::PanelWorldTest {
protected:
    void SetUp() override
    {
        PanelWorldTest::SetUp();
        actions.go = [this](const WindowInfo& w) {
            ran.push_back(QStringLiteral("go %1").arg(w.id));
            showingWhenRun = finder.isShowing();
        };
        actions.bringHere = [this](const WindowInfo& w) { ran.push_back(QStringLiteral("here %1").arg(w.id)); };
    }

    void configureFinder(bool allSpaces)
    {
        WindowFinder::configure(finder.model(), allSpaces, *contents, *watcher, *store, actions);
    }
    void showFinder(bool allSpaces)
    {
        configureFinder(allSpaces);
        finder.show();
        ASSERT_TRUE(finder.isShowing());
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(finder.view()->searchField(), key, modifiers);
    }
    int selection() { return finder.model().selection(); }

    SearchPanelController finder{scheduler};
    WindowFinder::Actions actions;
    std::vector<QString> ran;
    bool showingWhenRun = true;
};

TEST_F(SearchPanelTest, FiltersWindowsOfEverySpaceByTitleOrSubtitleKeepingTheirOrder)
{
    struct Case {
        QString query;
        std::vector<QString> expected;
    };
    const std::vector<QString> all{"11", "12", "13", "14", "15", "16"};
    const std::vector<Case> cases{
        {"", all},
        {"   ", all},
        {" saf ", {"11"}},
        {"\tsaf\t", {"11"}},
        {"SAF", {"11"}},
        {"new y", {"12"}},
        {"newy", {}},
        // Window 11 matches by its subtitle only and still comes before 13's title match.
        {"browser", {"11", "13", "16"}},
        {"work", {"12", "16"}},
        {"desktop 3", {"13", "15"}},
        {QStringLiteral("cafe\u0301"), {"15"}}, // decomposed spelling of a composed title
        {"inbox", {"14"}},
        {"nothing like it", {}},
    };
    SearchPanelModel model;
    model.source = [&](bool scope) { return WindowFinder::items(contents->windows(), watcher->snapshot(), *store, scope, actions); };
    model.setScopeAll(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query.toStdString());
        model.setQuery(c.query);
        EXPECT_EQ(ids(model.filtered()), c.expected);
    }
}

TEST_F(SearchPanelTest, WindowItemsCarryTitleAppSpaceAndIcon)
{
    const auto here = WindowFinder::items(contents->windows(), watcher->snapshot(), *store, false, actions);
    ASSERT_EQ(ids(here), (std::vector<QString>{"11", "14"}));
    EXPECT_EQ(here[0].title, "Safe Harbour");
    EXPECT_EQ(here[0].subtitle, "Browser · Desktop 1");
    EXPECT_EQ(here[0].icon, Platform::current().runningApplications().icon(401));
    EXPECT_FALSE(here[0].icon.isNull());

    const auto all = WindowFinder::items(contents->windows(), watcher->snapshot(), *store, true, actions);
    EXPECT_EQ(all[1].subtitle, "Editor · Work");
    EXPECT_EQ(all[2].title, "Browser"); // no title: the app name, and the Space name alone below it
    EXPECT_EQ(all[2].subtitle, "Desktop 3");

    all[2].primary();
    all[2].secondary();
    EXPECT_EQ(ran, (std::vector<QString>{"go 13", "here 13"}));

    // Without a current Space only the all-Spaces list has rows; Spaces it does not know have no name.
    EXPECT_TRUE(WindowFinder::items(contents->windows(), SpaceSnapshot::empty(), *store, false, actions).empty());
    const auto unknown = WindowFinder::items(contents->windows(), SpaceSnapshot::empty(), *store, true, actions);
    ASSERT_EQ(unknown.size(), 6u);
    EXPECT_EQ(unknown[0].subtitle, "Browser · ");
}

TEST_F(SearchPanelTest, ModelResetsTheHighlightOnEveryQueryAndKeepsItOnScopeChanges)
{
    int loads = 0;
    SearchPanelModel model;
    EXPECT_EQ(model.placeholder, "Search");
    EXPECT_EQ(model.hint, "Return to open · Esc to close");
    EXPECT_TRUE(model.items().empty());
    model.source = [&](bool all) {
        ++loads;
        std::vector<PanelItem> items(all ? 5 : 2);
        for (std::size_t i = 0; i < items.size(); ++i)
            items[i].id = QString::number(i);
        return items;
    };
    model.setScopeAll(true);
    EXPECT_EQ(loads, 1);
    model.setSelection(4);
    model.setQuery(model.query()); // the same text still counts
    EXPECT_EQ(model.selection(), 0);
    model.setSelection(4);
    model.setScopeAll(false);
    EXPECT_EQ(loads, 2);
    EXPECT_EQ(model.items().size(), 2u);
    EXPECT_EQ(model.selection(), 4);
}

TEST_F(SearchPanelTest, FinderAndLauncherTexts)
{
    configureFinder(true);
    EXPECT_EQ(finder.model().placeholder, "Search windows by app or title");
    EXPECT_EQ(finder.model().scopeLabel, "All Spaces");
    EXPECT_EQ(finder.model().hint, "Return to go there · Ctrl+Return to bring it here · Esc to close");
    EXPECT_TRUE(finder.model().scopeAll());
    EXPECT_EQ(finder.model().items().size(), 6u); // loaded through the new source

    SearchPanelController launcher{scheduler};
    AppLauncher::configure(launcher.model(), *contents, *watcher, scheduler);
    EXPECT_EQ(launcher.model().placeholder, "Open an app on this Space");
    EXPECT_FALSE(launcher.model().scopeLabel);
    EXPECT_EQ(launcher.model().hint, "Return to open here · Esc to close");
}

TEST_F(SearchPanelTest, LauncherListsTheCatalogueAndOpensTheAppHere)
{
    world->installed.push_back({"/Applications/Notes.app", QStringLiteral("org.example.notes"), "Notes"});
    SearchPanelController launcher{scheduler};
    AppLauncher::configure(launcher.model(), *contents, *watcher, scheduler);
    launcher.show();
    const auto& items = launcher.model().items();
    std::vector<QString> titles;
    for (const PanelItem& item : items)
        titles.push_back(item.title);
    EXPECT_EQ(titles, (std::vector<QString>{"Browser", "Editor", "Mail", "Notes"}));
    EXPECT_EQ(items[3].id, "/Applications/Notes.app");
    EXPECT_TRUE(items[3].subtitle.isEmpty());
    EXPECT_FALSE(items[3].icon.isNull());
    EXPECT_FALSE(items[3].secondary);

    // Browser has a window on the current Space: activated at once.
    launcher.view()->searchField()->setFocus();
    QTest::keyClick(launcher.view()->searchField(), Qt::Key_Return);
    EXPECT_EQ(world->activatedPIDs, (std::vector<std::int32_t>{401}));
    EXPECT_FALSE(launcher.isShowing());

    // Notes does not run: launched.
    launcher.show();
    launcher.model().setQuery("notes");
    QTest::keyClick(launcher.view()->searchField(), Qt::Key_Return);
    EXPECT_EQ(world->openedApplications, QStringList{"/Applications/Notes.app"});
}

TEST_F(SearchPanelTest, PanelFrameIsCentredAcrossTheScreenAndRaisedBy80)
{
    EXPECT_EQ(SearchPanelController::panelFrame(QRectF(0, 0, 1920, 1080)), QRectF(650, 400, 620, 440));

    // The pointer is on the second screen, 1920 x 1080 right of the first and
    // top-aligned with it: its frame is (1512, -98, 1920, 1080).
    showFinder(false);
    EXPECT_EQ(finder.panel()->modelFrame(), QRectF(2162, 302, 620, 440));
    EXPECT_EQ(finder.panel()->level(), Panel::Level::modal);
    EXPECT_FALSE(finder.panel()->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
}

TEST_F(SearchPanelTest, ShowingAgainClearsReloadsMovesAndKeepsThePanel)
{
    showFinder(false);
    KeyPanel* panel = finder.panel();
    QPointer<SearchPanelView> firstView = finder.view();
    QTest::keyClicks(finder.view()->searchField(), "in");
    press(Qt::Key_Down);
    world->windows.push_back({.id = 99, .pid = 403, .title = "Drafts", .frame = QRectF(0, 0, 400, 300), .spaces = {1}, .layer = 0, .alpha = {}});
    readContents();
    world->pointer = QPointF(100, 100);

    finder.show();
    EXPECT_EQ(finder.panel(), panel);
    EXPECT_NE(finder.view(), firstView.data());
    EXPECT_EQ(finder.model().query(), "");
    EXPECT_EQ(finder.view()->searchField()->text(), "");
    EXPECT_EQ(selection(), 0);
    EXPECT_EQ(ids(finder.model().items()), (std::vector<QString>{"11", "14", "99"}));
    EXPECT_EQ(finder.panel()->modelFrame(), SearchPanelController::panelFrame(QRectF(0, 0, 1512, 982)));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the old view goes
    EXPECT_TRUE(firstView.isNull());
}

TEST_F(SearchPanelTest, WithoutAnyScreenNothingIsShown)
{
    install(worldFrom(R"({"displays": []})"));
    configureFinder(true);
    finder.show();
    EXPECT_FALSE(finder.isShowing());
}

TEST_F(SearchPanelTest, ArrowsMoveTheHighlightWithinTheList)
{
    showFinder(true);
    press(Qt::Key_Up);
    EXPECT_EQ(selection(), 0);
    for (int i = 0; i < 8; ++i)
        press(Qt::Key_Down);
    EXPECT_EQ(selection(), 5); // stays on the last row
    EXPECT_TRUE(finder.view()->rows()[5]->isSelected());
    EXPECT_FALSE(finder.view()->rows()[0]->isSelected());

    QTest::keyClicks(finder.view()->searchField(), "x");
    EXPECT_EQ(finder.model().query(), "x");
    EXPECT_EQ(selection(), 0); // typing puts the highlight back on the first row

    QTest::keyClicks(finder.view()->searchField(), "yz");
    ASSERT_TRUE(finder.view()->rows().empty());
    EXPECT_TRUE(finder.view()->emptyLabel());
    EXPECT_EQ(finder.view()->emptyLabel()->text(), "Nothing matches.");
    press(Qt::Key_Down);
    EXPECT_EQ(selection(), 0);
}

TEST_F(SearchPanelTest, ReturnRunsTheHighlightedRowAfterThePanelIsGone)
{
    struct Case {
        const char* what;
        Qt::KeyboardModifiers modifiers;
        bool withSecondary;
        QString expected;
    };
    const std::vector<Case> cases{
        {"Return", Qt::NoModifier, true, "go 14"},
        {"Ctrl+Return", Qt::ControlModifier, true, "here 14"},
        {"Ctrl+Return without a secondary action", Qt::ControlModifier, false, "go 14"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ran.clear();
        showFinder(false);
        if (!c.withSecondary) {
            auto items = finder.model().items();
            for (PanelItem& item : items)
                item.secondary = nullptr;
            finder.model().setItems(items);
        }
        press(Qt::Key_Down);
        press(Qt::Key_Return, c.modifiers);
        EXPECT_EQ(ran, std::vector<QString>{c.expected});
        EXPECT_FALSE(showingWhenRun);
        EXPECT_FALSE(finder.isShowing());
    }
}

TEST_F(SearchPanelTest, EscapeClosesAndReturnOnNoRowKeepsThePanelOpen)
{
    showFinder(true);
    QTest::keyClicks(finder.view()->searchField(), "nothing like it");
    press(Qt::Key_Return);
    EXPECT_TRUE(ran.empty());
    EXPECT_TRUE(finder.isShowing());
    press(Qt::Key_Escape);
    EXPECT_FALSE(finder.isShowing());
    EXPECT_TRUE(ran.empty());
}

TEST_F(SearchPanelTest, AHighlightBeyondAShorterListAfterAScopeChange)
{
    showFinder(true);
    for (int i = 0; i < 5; ++i)
        press(Qt::Key_Down);
    ASSERT_TRUE(finder.view()->scopeSwitch());
    QTest::mouseClick(finder.view()->scopeSwitch(), Qt::LeftButton);
    EXPECT_FALSE(finder.model().scopeAll());
    EXPECT_EQ(finder.model().items().size(), 2u);
    EXPECT_EQ(selection(), 5);
    for (SearchPanelRow* row : finder.view()->rows())
        EXPECT_FALSE(row->isSelected());

    press(Qt::Key_Return);
    EXPECT_TRUE(ran.empty());
    EXPECT_TRUE(finder.isShowing());

    press(Qt::Key_Up);
    EXPECT_EQ(selection(), 4);
    press(Qt::Key_Down);
    EXPECT_EQ(selection(), 1);
}

TEST_F(SearchPanelTest, AClickHighlightsAndRunsTheRow)
{
    showFinder(true);
    SearchPanelRow* row = finder.view()->rows()[2];
    QTest::mouseClick(row, Qt::LeftButton, Qt::ControlModifier, QPoint(row->width() - 5, row->height() / 2));
    EXPECT_EQ(selection(), 2);
    EXPECT_EQ(ran, std::vector<QString>{"go 13"}); // a click always runs the primary action
    EXPECT_FALSE(showingWhenRun);
}

TEST_F(SearchPanelTest, ArrowingBelowTheVisibleRowsScrollsJustEnough)
{
    finder.model().source = [](bool) {
        std::vector<PanelItem> items(40);
        for (std::size_t i = 0; i < items.size(); ++i) {
            items[i].id = QString::number(i);
            items[i].title = QStringLiteral("Window %1").arg(i);
        }
        return items;
    };
    finder.show();
    QScrollBar* bar = finder.view()->list()->verticalScrollBar();
    EXPECT_EQ(bar->value(), 0);
    for (int i = 0; i < 30; ++i)
        press(Qt::Key_Down);
    QWidget* viewport = finder.view()->list()->viewport();
    const QRect shown(finder.view()->rows()[30]->mapTo(viewport, QPoint(0, 0)), finder.view()->rows()[30]->size());
    EXPECT_GT(bar->value(), 0);
    EXPECT_EQ(shown.bottom(), viewport->rect().bottom()); // the least scrolling: the row sits at the bottom edge
}

TEST_F(SearchPanelTest, ARowWithoutIconDrawsTheAppSymbolAndAnEmptySubtitleTakesOneLine)
{
    ASSERT_TRUE(SymbolCatalogue::contains("app"));
    PanelItem bare{.id = "a", .title = "Plain", .subtitle = "", .icon = {}, .primary = {}, .secondary = {}};
    PanelItem full = bare;
    full.subtitle = "Second line";
    SearchPanelRow one(bare, false);
    SearchPanelRow two(full, false);
    EXPECT_LT(one.sizeHint().height(), two.sizeHint().height());

    one.resize(300, one.sizeHint().height());
    const QImage image = one.grab().toImage();
    int bright = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 10; x < 36; ++x)
            bright += qAlpha(image.pixel(x, y)) > 128 && qGray(image.pixel(x, y)) > 200;
    }
    EXPECT_GT(bright, 10);
}

TEST_F(SearchPanelTest, DemoModeGivesAnOpaqueDarkBackground)
{
    EXPECT_LT(SearchPanelView::backgroundColor().alpha(), 255);
    Settings::defaults().set(Settings::Key::demoMode, true);
    DemoMode::resetForTesting();
    EXPECT_EQ(SearchPanelView::backgroundColor(), QColor::fromRgbF(0.11f, 0.12f, 0.2f));
}

TEST_F(SearchPanelTest, LosingTheKeyboardClosesThePanel)
{
    showFinder(true);
    finder.panel()->activateWindow();
    QApplication::processEvents();
    ASSERT_TRUE(finder.panel()->isActiveWindow());
    QWidget other;
    other.show();
    other.activateWindow();
    QApplication::processEvents();
    EXPECT_FALSE(finder.isShowing());
}

TEST_F(SearchPanelTest, ScreenshotShowsRowsWithTheFirstHighlighted)
{
    showFinder(true);
    QApplication::processEvents();
    const QImage image = finder.view()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    keep(image, "window-finder");
    ASSERT_EQ(image.size(), QSize(620, 440));

    // Not empty: the background, the text and the icons give many colours.
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    }
    EXPECT_GT(colours.size(), 50);
    // The list shows the panel's own pane below its last row, as the header does.
    const QPoint belowRows = finder.view()->rows().back()->mapTo(finder.view(), QPoint(300, 60));
    EXPECT_EQ(image.pixelColor(belowRows), image.pixelColor(QPoint(400, 44)));

    // The icon of the first row is Browser's.
    const SearchPanelRow* first = finder.view()->rows()[0];
    const SearchPanelRow* second = finder.view()->rows()[1];
    const QPoint iconCentre = first->mapTo(finder.view(), QPoint(10 + 13, first->height() / 2));
    const QColor browser = Platform::current().runningApplications().icon(401).pixelColor(0, 0);
    EXPECT_EQ(image.pixelColor(iconCentre).rgb(), browser.rgb());

    // The highlighted row is tinted with the accent colour; the next one is not.
    const auto blank = [&](const SearchPanelRow* row) {
        return image.pixelColor(row->mapTo(finder.view(), QPoint(row->width() - 4, row->height() / 2)));
    };
    const QColor accent = QApplication::palette().color(QPalette::Highlight);
    const auto distance = [&](const QColor& c) {
        return std::abs(c.red() - accent.red()) + std::abs(c.green() - accent.green()) + std::abs(c.blue() - accent.blue());
    };
    EXPECT_NE(blank(first), blank(second));
    EXPECT_LT(distance(blank(first)), distance(blank(second)));
    EXPECT_EQ(blank(second), image.pixelColor(second->mapTo(finder.view(), QPoint(second->width() - 4, 1))));
}

} // namespace

TEST_F(SearchPanelTest, TheProgramsRowsGoToTheCommandSink)
{
    test::RecordingFront sink;
    actions = WindowFinder::actionsFor(sink);
    showFinder(true);
    press(Qt::Key_Return);
    showFinder(true);
    press(Qt::Key_Return, Qt::ControlModifier);
    ASSERT_EQ(sink.calls.size(), 2);
    EXPECT_TRUE(sink.calls[0].startsWith(QStringLiteral("goToWindow ")));
    EXPECT_TRUE(sink.calls[1].startsWith(QStringLiteral("bringWindowHere ")));
    actions.goToSpace(space(2));
    EXPECT_EQ(sink.calls.back(), QStringLiteral("switchTo ") + space(2).id);
}
