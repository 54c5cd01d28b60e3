#include "Core/Overview/OverlayViewModel.h"

#include "tests/Core/OverlayModelWorld.h"

#include <QJsonArray>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace lumivast;
namespace K = Settings::Key;

namespace {

// Built-in: Desktop 1 (current), Desktop 2, a full-screen Browser, Desktop 3 (empty).
// Studio: Desktop 4 (current), Desktop 5 (empty).
const char* kOverviewWorld = R"({
  "menuBarDisplay": "37D8832A-2D66-02CA-B9F7-8F30A301B230",
  "displays": [
    { "uuid": "37D8832A-2D66-02CA-B9F7-8F30A301B230", "name": "Built-in Display", "main": true, "current": 1,
      "spaces": [ {"managedID": 1, "uuid": "S1"}, {"managedID": 2, "uuid": "S2"},
                  {"managedID": 3, "uuid": "F3", "type": "fullscreen", "pid": 401}, {"managedID": 4, "uuid": "S4"} ] },
    { "uuid": "E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B", "name": "Studio Display", "current": 5,
      "spaces": [ {"managedID": 5, "uuid": "S5"}, {"managedID": 6, "uuid": "S6"} ] } ],
  "apps": [ {"pid": 401, "bundleID": "org.example.browser", "name": "Browser"},
            {"pid": 402, "bundleID": "org.example.editor", "name": "Editor"} ],
  "installed": [ {"path": "/Applications/Browser.app", "bundleID": "org.example.browser"},
                 {"path": "/Applications/Editor.app", "bundleID": "org.example.editor"},
                 {"path": "/System/Applications/Mail.app", "bundleID": "com.apple.mail"} ],
  "windows": [ {"id": 11, "pid": 401, "title": "Start Page", "spaces": [1]},
               {"id": 12, "pid": 402, "title": "Quarterly Report.txt", "spaces": [2]},
               {"id": 13, "pid": 401, "title": "Video", "spaces": [3]},
               {"id": 14, "pid": 402, "title": "Plan", "spaces": [5]} ]
})";

class OverlayViewModelTest : public test::OverlayModelWorldTest {
protected:
    OverlayViewModelTest()
    {
        useWorld(kOverviewWorld);
        contents->refresh();
        scheduler.advance(SpaceContents::kPassDelay);
        contents->waitForReading();
        scheduler.runPending();
    }

    // Section ids with their tiles' ids, as one line each ("id [title]: a b").
    QStringList layout()
    {
        QStringList lines;
        for (const OverlaySection& section : model->sections()) {
            QStringList ids;
            for (const OverlayTile& tile : section.tiles)
                ids << tile.id;
            lines << section.id + " [" + section.title + "]: " + ids.join(' ');
        }
        return lines;
    }
    QStringList tileIDs()
    {
        QStringList ids;
        for (const OverlayTile& tile : model->allTiles())
            ids << tile.id;
        return ids;
    }
    QStringList search(const QString& query)
    {
        model->setQuery(query);
        model->rebuild();
        return tileIDs();
    }
    void onlyBuiltIn()
    {
        model->currentDisplayID = QStringLiteral("37D8832A-2D66-02CA-B9F7-8F30A301B230");
        Settings::defaults().set(K::overlayShowsAllDisplays, false);
    }
};

} // namespace

TEST_F(OverlayViewModelTest, StartsEmptyAndRebuildsAfterEachServicesAnnouncement)
{
    auto fresh = std::make_unique<OverlayViewModel>(scheduler, *watcher, *store, *thumbnails, *contents);
    EXPECT_TRUE(fresh->sections().empty());
    EXPECT_EQ(fresh->columns(), 3);
    EXPECT_EQ(fresh->tileSize(), QSizeF(320, 200));
    QSignalSpy changes(fresh.get(), &OverlayViewModel::changed);

    // A name stored: rebuilt on the next turn of the loop, not inside the store's call.
    store->setName(QStringLiteral("Mail"), QStringLiteral("S2"));
    EXPECT_TRUE(fresh->sections().empty());
    scheduler.runPending();
    ASSERT_FALSE(fresh->sections().empty());
    EXPECT_EQ(fresh->allTiles()[1].name, QStringLiteral("Mail"));
    const int afterStore = changes.count();
    EXPECT_GE(afterStore, 1);

    // A preview stored.
    thumbnails->captureActiveSpaces(watcher->snapshot(), Duration::zero());
    scheduler.advance(10ms);
    EXPECT_GT(changes.count(), afterStore);

    // A Space switch (the watcher) and a new window (the contents), each seen once the loop turns.
    world->switchSpace(world->displays[0].identifier, 2);
    scheduler.advance(100ms);
    EXPECT_EQ(fresh->allTiles()[1].isActive, true);
    SimWorld::Window window;
    window.id = 20;
    window.pid = 401;
    window.frame = QRectF(0, 0, 500, 400);
    window.spaces = {4};
    world->windows.push_back(window);
    contents->refresh();
    scheduler.advance(SpaceContents::kPassDelay);
    contents->waitForReading();
    scheduler.runPending();
    const auto tiles = fresh->allTiles();
    ASSERT_EQ(tiles[3].id, QStringLiteral("S4"));
    ASSERT_EQ(tiles[3].apps.size(), 1u);
    EXPECT_EQ(tiles[3].apps[0].name, QStringLiteral("Browser"));

    // Gone with the model: a late announcement does nothing.
    store->setName(QStringLiteral("Later"), QStringLiteral("S1"));
    fresh.reset();
    scheduler.runPending();
}

TEST_F(OverlayViewModelTest, TilesCarryTheSpacesData)
{
    store->setName(QStringLiteral("Work"), QStringLiteral("S1"));
    store->setColor(QStringLiteral("#4F7BF7"), QStringLiteral("S1"));
    store->setNote(QStringLiteral("Ship it"), QStringLiteral("S1"));
    store->setSymbol(QStringLiteral("hammer"), QStringLiteral("S1"));
    SpaceAutomation automation;
    automation.launchApps = {QStringLiteral("org.example.editor")};
    store->setAutomation(automation, QStringLiteral("S1"));
    model->rebuild();
    const OverlayTile s1 = model->allTiles()[0];
    EXPECT_EQ(s1.id, QStringLiteral("S1"));
    EXPECT_EQ(s1.name, QStringLiteral("Work"));
    EXPECT_EQ(s1.symbol, QStringLiteral("hammer"));
    EXPECT_EQ(s1.colorHex, QStringLiteral("#4F7BF7"));
    EXPECT_EQ(s1.note, QStringLiteral("Ship it"));
    EXPECT_EQ(s1.number, 1);
    EXPECT_TRUE(s1.isActive);
    EXPECT_TRUE(s1.hasCustomName);
    EXPECT_TRUE(s1.hasAutomation);
    EXPECT_FALSE(s1.customIcon);
    ASSERT_EQ(s1.apps.size(), 1u);
    EXPECT_EQ(s1.apps[0].name, QStringLiteral("Browser"));

    const OverlayTile f3 = model->allTiles()[2];
    EXPECT_EQ(f3.name, QStringLiteral("Browser"));
    EXPECT_FALSE(f3.number);
    EXPECT_FALSE(f3.hasCustomName);

    Settings::defaults().set(K::showAppIcons, false);
    model->rebuild();
    EXPECT_TRUE(model->allTiles()[0].apps.empty());
}

TEST_F(OverlayViewModelTest, VisibilityRule)
{
    struct Row {
        const char* name;
        bool hideFullscreen;
        bool hideEmpty;
        bool demo;
        QStringList tiles;
    } rows[] = {
        {"everything", false, false, false, {"S1", "S2", "F3", "S4", "S5", "S6"}},
        {"no full screen", true, false, false, {"S1", "S2", "S4", "S5", "S6"}},
        // Empty desktops go, the full-screen Space stays, the active Spaces stay whatever their apps.
        {"no empty", false, true, false, {"S1", "S2", "F3", "S5"}},
        {"neither", true, true, false, {"S1", "S2", "S5"}},
        // Demo mode: exactly the desktops with a sample, whatever the settings.
        {"demo", true, true, true, {"S1", "S2", "S4", "S5", "S6"}},
    };
    for (const Row& row : rows) {
        Settings::defaults().set(K::hideFullscreenSpaces, row.hideFullscreen);
        Settings::defaults().set(K::hideEmptySpaces, row.hideEmpty);
        DemoMode::resetForTesting();
        Settings::defaults().set(K::demoMode, row.demo);
        model->rebuild();
        EXPECT_EQ(tileIDs(), row.tiles) << row.name;
    }

    // An active empty desktop stays; in demo mode an active full-screen Space does not.
    DemoMode::resetForTesting();
    Settings::defaults().set(K::demoMode, false);
    world->switchSpace(world->displays[0].identifier, 4);
    scheduler.advance(100ms);
    model->rebuild();
    EXPECT_TRUE(tileIDs().contains("S4"));
    DemoMode::resetForTesting();
    Settings::defaults().set(K::demoMode, true);
    world->switchSpace(world->displays[0].identifier, 3);
    scheduler.advance(100ms);
    model->rebuild();
    EXPECT_FALSE(tileIDs().contains("F3"));

    // Demo tiles take the sample's colour and carry no note or icon of their own.
    store->setNote(QStringLiteral("private"), QStringLiteral("S1"));
    store->setColor(QStringLiteral("#000000"), QStringLiteral("S1"));
    model->rebuild();
    const OverlayTile s1 = model->allTiles()[0];
    EXPECT_EQ(s1.name, DemoMode::samples()[0].name);
    EXPECT_EQ(s1.colorHex, DemoMode::samples()[0].colorHex);
    EXPECT_FALSE(s1.note);
    // Its apps are the sample's installed ones, and the search reads the sample's windows, not the real ones.
    ASSERT_EQ(s1.apps.size(), 1u);
    EXPECT_EQ(s1.apps[0].name, QStringLiteral("Mail"));
    EXPECT_EQ(s1.apps[0].pid, -1);
    EXPECT_EQ(search(QStringLiteral("north")), QStringList{"S4"});
    EXPECT_EQ(search(QStringLiteral("start page")), QStringList());
}

TEST_F(OverlayViewModelTest, ArrangementOrdersEachDisplayStably)
{
    Settings::defaults().set(K::groupOverview, false);
    struct Row {
        QJsonValue order;
        QStringList tiles;
    } rows[] = {
        {QJsonValue(), {"S1", "S2", "F3", "S4", "S5", "S6"}},
        {QJsonArray{}, {"S1", "S2", "F3", "S4", "S5", "S6"}},
        {QJsonArray{"S4", "gone", "S2", "S6"}, {"S4", "S2", "S1", "F3", "S6", "S5"}},
        {QJsonArray{"S2", "S2x", "S2"}, {"S2", "S1", "F3", "S4", "S5", "S6"}},
        {QJsonValue(QStringLiteral("S4")), {"S1", "S2", "F3", "S4", "S5", "S6"}},
        {QJsonArray{"S4", 7}, {"S1", "S2", "F3", "S4", "S5", "S6"}},
    };
    for (const Row& row : rows) {
        if (row.order.isUndefined() || row.order.isNull())
            Settings::defaults().remove(K::overviewOrder);
        else
            Settings::defaults().set(K::overviewOrder, row.order);
        model->rebuild();
        EXPECT_EQ(tileIDs(), row.tiles) << QJsonDocument(QJsonObject{{"o", row.order}}).toJson().toStdString();
    }
}

TEST_F(OverlayViewModelTest, SearchTriesNameNoteAppsWindowsAndNumber)
{
    store->setName(QStringLiteral("Writing"), QStringLiteral("S4"));
    store->setNote(QStringLiteral("Tax forms"), QStringLiteral("S6"));
    struct Row {
        const char* query;
        QStringList tiles;
    } rows[] = {
        {"writ", {"S4"}},                   // name
        {"  \tTAX ", {"S6"}},               // note, trimmed of spaces and tabs, any case
        {"editor", {"S2", "S5"}},           // app names
        {"quarterly report", {"S2"}},       // a window title
        {"3", {"S4"}},                      // Desktop 3 through its number
        {"03", {}},                         // the number must equal the key
        {"desktop", {"S1", "S2", "S5", "S6"}}, // default names of the desktops left unnamed
        {"\nbrowser", {}},                  // line breaks are not trimmed
    };
    for (const Row& row : rows)
        EXPECT_EQ(search(QString::fromUtf8(row.query)), row.tiles) << row.query;

    // Without app icons the apps are not searched; window titles still are.
    Settings::defaults().set(K::showAppIcons, false);
    EXPECT_EQ(search("editor"), QStringList());
    EXPECT_EQ(search("plan"), QStringList{"S5"});

    // Spaces alone count as no search: nothing filtered, empty sections stay.
    EXPECT_EQ(search("   ").size(), 6);
}

TEST_F(OverlayViewModelTest, SectionsByDisplayAndCategory)
{
    // One display listed, grouping on.
    onlyBuiltIn();
    store->setGroup(QStringLiteral("Work"), QStringLiteral("S2"));
    store->setGroup(QStringLiteral("Personal"), QStringLiteral("S4"));
    store->setGroup(QStringLiteral("Work"), QStringLiteral("S1"));
    model->rebuild();
    const QString d1 = QStringLiteral("37D8832A-2D66-02CA-B9F7-8F30A301B230");
    EXPECT_EQ(layout(), QStringList({d1 + "|Personal [Personal]: S4", d1 + "|Work [Work]: S1 S2", d1 + "| [Other]: F3"}));

    // Two displays: titled by the screen's name.
    Settings::defaults().set(K::overlayShowsAllDisplays, true);
    model->rebuild();
    const QString d2 = QStringLiteral("E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B");
    const QString dot = QStringLiteral(" \u00B7 ");
    EXPECT_EQ(layout(), QStringList({d1 + "|Personal [Built-in Display" + dot + "Personal]: S4",
                                     d1 + "|Work [Built-in Display" + dot + "Work]: S1 S2",
                                     d1 + "| [Built-in Display" + dot + "Other]: F3",
                                     d2 + " [Studio Display]: S5 S6"}));

    // Grouping off: one section per display.
    Settings::defaults().set(K::groupOverview, false);
    model->rebuild();
    EXPECT_EQ(layout(), QStringList({d1 + " [Built-in Display]: S1 S2 F3 S4", d2 + " [Studio Display]: S5 S6"}));

    // A search drops sections without tiles; without one, an empty display keeps its section.
    Settings::defaults().set(K::groupOverview, true);
    search(QStringLiteral("plan"));
    EXPECT_EQ(layout(), QStringList({d2 + " [Studio Display]: S5"}));
    search(QString());
    EXPECT_EQ(layout().size(), 4);

    // No screen for a display: "Display".
    world->displays[1].number = 0;
    world->displays[1].uuid = QStringLiteral("00000000-0000-0000-0000-00000000ABCD");
    model->rebuild();
    EXPECT_EQ(layout().last(), d2 + " [Display]: S5 S6");

    // The display the overview opened on is gone: no sections at all.
    onlyBuiltIn();
    model->currentDisplayID = QStringLiteral("gone");
    model->rebuild();
    EXPECT_TRUE(model->sections().empty());
}

TEST_F(OverlayViewModelTest, CategoriesSortByScalarValuesAndEmptyMeansNone)
{
    onlyBuiltIn();
    const QString decomposed = QStringLiteral("e\u0301t\u00E9");  // "été" spelt two ways
    const QString composed = QStringLiteral("\u00E9t\u00E9");
    store->setGroup(QStringLiteral("beta"), QStringLiteral("S1"));
    store->setGroup(QStringLiteral("Zulu"), QStringLiteral("S2"));
    store->setGroup(decomposed, QStringLiteral("F3"));
    store->setGroup(composed, QStringLiteral("S4"));
    model->rebuild();
    QStringList titles;
    for (const OverlaySection& s : model->sections())
        titles << s.title;
    // Capitals before lower case, accented letters after both: not the locale's order.
    EXPECT_EQ(titles, QStringList({"Zulu", "beta", composed}));
    EXPECT_EQ(model->sections()[2].tiles.size(), 2u);

    // A whole-record import can carry an empty category: it counts as none.
    SpaceMetaMap metas = store->metas();
    metas["S1"].group = QString();
    store->replaceAll(metas);
    model->rebuild();
    QStringList ids;
    for (const OverlaySection& s : model->sections())
        ids << s.id;
    EXPECT_EQ(ids.size(), QSet<QString>(ids.begin(), ids.end()).size());
    EXPECT_EQ(model->sections().back().title, QStringLiteral("Other"));
}

TEST_F(OverlayViewModelTest, SelectionRepair)
{
    model->rebuild();
    // Unset with no search stays unset.
    EXPECT_FALSE(model->selectedID());

    // A selected Space that disappears: the first active tile.
    model->setSelectedID(QStringLiteral("S6"));
    Settings::defaults().set(K::hideEmptySpaces, true);
    model->rebuild();
    EXPECT_EQ(model->selectedID(), QStringLiteral("S1"));

    // Filtered out by a search: the first active tile that remains, else the first tile.
    model->setSelectedID(QStringLiteral("S2"));
    search(QStringLiteral("plan"));
    EXPECT_EQ(model->selectedID(), QStringLiteral("S5"));
    search(QStringLiteral("report"));
    EXPECT_EQ(model->selectedID(), QStringLiteral("S2"));

    // Typing while nothing is selected selects the first match; a visible selection stays.
    model->setSelectedID(std::nullopt);
    search(QStringLiteral("desktop"));
    EXPECT_EQ(model->selectedID(), QStringLiteral("S1"));
    model->setSelectedID(QStringLiteral("S5"));
    search(QStringLiteral("desktop"));
    EXPECT_EQ(model->selectedID(), QStringLiteral("S5"));

    // Nothing left: none.
    search(QStringLiteral("nothing matches this"));
    EXPECT_FALSE(model->selectedID());
}
