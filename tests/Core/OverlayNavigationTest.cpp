// The overview model's grid fit, keyboard walk, search editing, commits and
// stored arrangement.

#include "Core/Overview/OverlayViewModel.h"
#include "Core/Overview/WallpaperLoader.h"

#include "tests/Core/OverlayModelWorld.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QImageWriter>

#include <gtest/gtest.h>

using namespace lumivast;
namespace K = Settings::Key;

namespace {

// One display per count, each with that many desktops (ids D<display>-<n>), the first current.
QByteArray worldWith(const std::vector<int>& counts)
{
    QJsonArray displays;
    int managed = 1;
    for (std::size_t d = 0; d < counts.size(); ++d) {
        QJsonArray spaces;
        for (int n = 0; n < counts[d]; ++n)
            spaces.append(QJsonObject{{"managedID", managed + n}, {"uuid", QStringLiteral("D%1-%2").arg(d).arg(n + 1)}});
        QJsonObject display{{"current", managed}, {"spaces", spaces},
                            {"frame", QJsonObject{{"x", 1600.0 * double(d)}, {"y", 0}, {"w", 1440}, {"h", 900}}}};
        display["uuid"] = QStringLiteral("E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5%1").arg(d);
        display["main"] = d == 0;
        displays.append(display);
        managed += counts[d];
    }
    return QJsonDocument(QJsonObject{{"displays", displays}}).toJson();
}

class OverlayNavigationTest : public test::OverlayModelWorldTest {
protected:
    OverlayNavigationTest() { use({8}); }

    void use(const std::vector<int>& counts)
    {
        useWorld(worldWith(counts).constData());
        scheduler.runPending();
        model->rebuild();
    }
    void fit(double width, double height)
    {
        model->screenWidth = width;
        model->screenHeight = height;
        model->screenAspect = height / width;
        model->rebuild();
    }
    int position()
    {
        const auto tiles = model->allTiles();
        for (std::size_t i = 0; i < tiles.size(); ++i) {
            if (tiles[i].id == model->selectedID())
                return int(i);
        }
        return -1;
    }
    void select(int position) { model->setSelectedID(model->allTiles().at(std::size_t(position)).id); }
    QStringList order() { return Settings::defaults().stringList(K::overviewOrder).value_or(QStringList{}); }
};

} // namespace

TEST_F(OverlayNavigationTest, TheGridFitsTheScreenAsLargeAsItMayWithinItsBounds)
{
    struct Case {
        std::vector<int> counts;
        double width, height;
        int columns;
        QSizeF tile;
    };
    const Case cases[] = {
        {{8}, 1440, 900, 4, {303, 189}},
        {{4}, 1440, 900, 2, {440, 275}},    // two columns reach the cap; three would give 413
        {{6}, 1920, 1080, 3, {440, 247}},   // two give only 424
        {{4}, 2560, 1440, 1, {440, 247}},   // a tie keeps the smaller count
        {{3, 5}, 1440, 900, 5, {236, 147}}, // two titled sections
        {{6}, 1080, 1920, 3, {293, 520}},   // portrait
        // Nothing fits the height: as many columns as the width holds, so none lies off screen.
        {{30}, 800, 600, 4, {140, 105}},
        // Seven categories leave no height for any count: the width is filled, not one thin
        // column, with tiles low enough for three rows to show at once.
        {{3, 2, 2, 2, 2, 1, 2}, 1512, 982, 3, {215, 139}},
        {{6, 6, 6, 6, 6}, 1512, 982, 6, {204, 132}},  // too low at 6 columns: still the width
    };
    for (const Case& c : cases) {
        use(c.counts);
        fit(c.width, c.height);
        EXPECT_EQ(model->columns(), c.columns) << c.width << "x" << c.height << " with " << model->allTiles().size();
        EXPECT_EQ(model->tileSize(), c.tile) << c.width << "x" << c.height << " with " << model->allTiles().size();
    }

    // A search that leaves nothing: one column at the largest width.
    use({8});
    fit(1440, 900);
    model->setQuery(QStringLiteral("nothing is called this"));
    EXPECT_TRUE(model->sections().empty());
    EXPECT_EQ(model->columns(), 1);
    EXPECT_EQ(model->tileSize().width(), 440);
}

TEST_F(OverlayNavigationTest, ArrowsWalkTheFlatListAndStopAtItsEnds)
{
    fit(1440, 900); // 8 tiles in 4 columns
    ASSERT_EQ(model->columns(), 4);
    select(2);
    model->move(0, 1);
    EXPECT_EQ(position(), 6);
    model->move(0, 1);
    EXPECT_EQ(position(), 6);
    model->move(0, -1);
    EXPECT_EQ(position(), 2);
    select(0);
    model->move(-1, 0);
    EXPECT_EQ(position(), 0);
    select(3);
    model->move(1, 0);
    EXPECT_EQ(position(), 4);

    // Nothing selected: right takes the second tile, a move off the list the first.
    model->setSelectedID(std::nullopt);
    model->move(1, 0);
    EXPECT_EQ(position(), 1);
    model->setSelectedID(QStringLiteral("gone"));
    model->move(0, -1);
    EXPECT_EQ(position(), 0);

    // Down goes by the column count over the flat list, across a section's early row end.
    use({3, 5});
    fit(1440, 900);
    ASSERT_EQ(model->columns(), 5);
    select(0);
    model->move(0, 1);
    EXPECT_EQ(position(), 5);
}

TEST_F(OverlayNavigationTest, CyclingWrapsRoundBothWays)
{
    select(7);
    model->cycle(true);
    EXPECT_EQ(position(), 0);
    model->cycle(false);
    EXPECT_EQ(position(), 7);
    model->setSelectedID(std::nullopt);
    model->cycle(true);
    EXPECT_EQ(position(), 1);

    use({1});
    select(0);
    model->cycle(true);
    EXPECT_EQ(position(), 0);
}

TEST_F(OverlayNavigationTest, TheSearchRebuildsOnlyOnChangeAndErasesWholeCharacters)
{
    int rebuilds = 0;
    QObject::connect(model.get(), &OverlayViewModel::changed, [&] { ++rebuilds; });
    model->setQuery(QString());
    const int announcedOnly = rebuilds;
    EXPECT_EQ(announcedOnly, 1); // announced, not rebuilt
    model->setQuery(QStringLiteral("2"));
    EXPECT_EQ(model->allTiles().size(), 1u);

    model->setQuery(QStringLiteral("a\U0001F468\u200D\U0001F469\u200D\U0001F467"));
    model->deleteBackward();
    EXPECT_EQ(model->query(), QStringLiteral("a"));
    model->deleteBackward();
    EXPECT_EQ(model->query(), QString());
    EXPECT_EQ(model->allTiles().size(), 8u);
    model->deleteBackward();
    EXPECT_EQ(model->query(), QString());
}

TEST_F(OverlayNavigationTest, CommitsClearTheRenameAndPickDesktopsByNumber)
{
    std::vector<QString> committed;
    model->setEditingID(QStringLiteral("D0-2"));
    select(1);
    model->commitSelection(); // no callback set: only the rename ends
    EXPECT_FALSE(model->editingID());

    model->onCommit = [&](const Space& space) { committed.push_back(space.id); };
    // Desktop 3 arranged first: the digit still means Desktop 3.
    model->moveTile(QStringLiteral("D0-3"), QStringLiteral("D0-1"));
    ASSERT_EQ(model->allTiles().front().id, QStringLiteral("D0-3"));
    EXPECT_TRUE(model->selectDesktop(3));
    EXPECT_TRUE(model->selectDesktop(1));
    EXPECT_EQ(committed, (std::vector<QString>{QStringLiteral("D0-3"), QStringLiteral("D0-1")}));

    // A desktop the search hides cannot be picked.
    model->setQuery(QStringLiteral("Desktop 2"));
    EXPECT_FALSE(model->selectDesktop(3));
    EXPECT_EQ(committed.size(), 2u);

    model->setSelectedID(QStringLiteral("gone"));
    model->commitSelection();
    EXPECT_EQ(committed.size(), 2u);
}

TEST_F(OverlayNavigationTest, DraggingStoresTheArrangementAsAListOfTexts)
{
    use({3});
    // The first drag starts from the system's order.
    model->moveTile(QStringLiteral("D0-3"), QStringLiteral("D0-1"));
    EXPECT_EQ(order(), (QStringList{"D0-3", "D0-1", "D0-2"}));
    EXPECT_TRUE(Settings::defaults().object(K::overviewOrder)->isArray());
    EXPECT_EQ(model->allTiles().front().id, QStringLiteral("D0-3"));

    // Onto itself: nothing stored.
    Settings::defaults().set(K::overviewOrder, QJsonArray{"D0-1", "D0-2"});
    model->moveTile(QStringLiteral("D0-2"), QStringLiteral("D0-2"));
    EXPECT_EQ(order(), (QStringList{"D0-1", "D0-2"}));
    // A stored list, a Space it does not know yet, and an id of a Space long gone.
    Settings::defaults().set(K::overviewOrder, QJsonArray{"D0-1", "gone", "D0-2"});
    model->moveTile(QStringLiteral("D0-2"), QStringLiteral("D0-1"));
    EXPECT_EQ(order(), (QStringList{"D0-2", "D0-1", "gone", "D0-3"}));
    // Dropped on an id the list does not hold: to the end.
    model->moveTile(QStringLiteral("D0-2"), QStringLiteral("elsewhere"));
    EXPECT_EQ(order(), (QStringList{"D0-1", "gone", "D0-3", "D0-2"}));
}

TEST_F(OverlayNavigationTest, KnownGroupsAreEveryCategoryOnceInPlainTextOrder)
{
    store->setGroup(QStringLiteral("Work"), QStringLiteral("D0-1"));
    store->setGroup(QStringLiteral("personal"), QStringLiteral("D0-2"));
    store->setGroup(QStringLiteral("Clients"), QStringLiteral("D0-3"));
    store->setGroup(QStringLiteral("Work"), QStringLiteral("D0-4"));
    store->setGroup(QStringLiteral("personal"), QStringLiteral("D0-5"));
    EXPECT_EQ(model->knownGroups(), (QStringList{"Clients", "Work", "personal"}));
}

TEST_F(OverlayNavigationTest, PreparingClearsTheSearchAndSelectsTheOpeningDisplaysCurrentSpace)
{
    use({2, 3});
    world->switchSpace(world->displays[1].identifier, 4);
    scheduler.advance(100ms);
    model->setQuery(QStringLiteral("Desktop 2"));
    model->setEditingID(QStringLiteral("D0-1"));
    const auto screens = Platform::current().screens().screens();
    ASSERT_EQ(screens.size(), 2u);

    model->prepare(screens[1], QStringLiteral("E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A51"));
    EXPECT_EQ(model->currentDisplayID, QStringLiteral("E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A51"));
    EXPECT_EQ(model->query(), QString());
    EXPECT_FALSE(model->editingID());
    EXPECT_EQ(model->allTiles().size(), 5u);
    EXPECT_EQ(model->selectedID(), QStringLiteral("D1-2"));
    EXPECT_EQ(model->initialSelectionID, QStringLiteral("D1-2"));
    EXPECT_EQ(model->screenWidth, 1440);

    // A screen that matches no display: the menu-bar display's current Space.
    model->prepare(screens[1], std::nullopt);
    EXPECT_EQ(model->selectedID(), QStringLiteral("D0-1"));
}

TEST_F(OverlayNavigationTest, TheBackdropIsDecodedSmallAndTurnedAsThePictureSays)
{
    // A wide picture stored turned a quarter: shown upright, within half the screen's larger side.
    QImage wide(1600, 800, QImage::Format_RGB32);
    wide.fill(Qt::darkCyan);
    const QString path = home.path("turned.jpg");
    QImageWriter writer(path, "jpeg");
    writer.setTransformation(QImageIOHandler::TransformationRotate90);
    ASSERT_TRUE(writer.write(wide));
    const QByteArray json = QStringLiteral(R"({"displays": [{"uuid": "E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A50", "main": true,
        "frame": {"x": 0, "y": 0, "w": 1440, "h": 900}, "wallpaper": "%1", "spaces": [{"managedID": 1}]}]})")
                               .arg(path)
                               .toUtf8();
    install(worldFrom(json.constData()));
    const ScreenInfo screen = Platform::current().screens().screens().at(0);
    const auto picture = WallpaperLoader::image(screen);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->size(), QSize(360, 720));

    // A screen without a picture: none.
    install(worldFrom(R"({"displays": [{"main": true, "frame": {"x": 0, "y": 0, "w": 1440, "h": 900},
        "spaces": [{"managedID": 1}]}]})"));
    EXPECT_FALSE(WallpaperLoader::image(Platform::current().screens().screens().at(0)));
}
