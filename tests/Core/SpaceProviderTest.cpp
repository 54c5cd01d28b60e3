#include "Core/Spaces/SpaceProvider.h"

#include "tests/support/SimWorldTest.h"

using namespace lumivast;
using lumivast::test::SimWorldTest;

namespace {

using P = PlistValue;

P providerSpace(int managed, const char* uuid = nullptr)
{
    P d = P::dict({{"ManagedSpaceID", managed}});
    if (uuid)
        d.insert("uuid", uuid);
    return d;
}

P display(const char* id, P::Array spaces, std::optional<int> current = std::nullopt)
{
    P d = P::dict({{"Display Identifier", id}, {"Spaces", P(std::move(spaces))}});
    if (current)
        d.insert("Current Space", P::dict({{"ManagedSpaceID", *current}}));
    return d;
}

const QDateTime kNow(QDate(2026, 1, 5), QTime(9, 0), Qt::UTC);

std::optional<SpaceSnapshot> build(const P& list, const P& menuBar = P())
{
    return SpaceProvider::snapshot(list, menuBar, kNow);
}

TEST(SpaceProvider, NumbersDesktopsAndFindsTheActiveSpace)
{
    const auto snap = build(P::array({display("Main", {providerSpace(1, "A"), providerSpace(3, "B"), providerSpace(5, "C")}, 3)}));
    ASSERT_TRUE(snap);
    const DisplaySpaces& d = snap->displays.at(0);
    EXPECT_TRUE(d.isMenuBarDisplay);
    ASSERT_EQ(d.spaces.size(), 3u);
    EXPECT_EQ(d.spaces[0].desktopNumber, 1);
    EXPECT_EQ(d.spaces[2].desktopNumber, 3);
    EXPECT_TRUE(d.spaces[1].isActive);
    EXPECT_FALSE(d.spaces[0].isActive);
    EXPECT_EQ(d.activeSpaceID, QString("B"));
    EXPECT_EQ(d.spaces[1].displayID, "Main");
    EXPECT_EQ(snap->timestamp, kNow);
}

TEST(SpaceProvider, FullScreenSpaces)
{
    P typed = providerSpace(7, "F1");
    typed.insert("type", 4);
    typed.insert("pid", 501);
    P tiled = providerSpace(8, "F2");
    tiled.insert("type", 0);
    tiled.insert("TileLayoutManager", P(P::Dict{}));
    P noPid = providerSpace(9, "F3");
    noPid.insert("type", 4);
    P desktopWithPid = providerSpace(10, "D");
    desktopWithPid.insert("pid", 77);
    P badPid = providerSpace(11, "F4");
    badPid.insert("type", 4);
    badPid.insert("pid", std::int64_t(1) << 40);
    const auto snap = build(P::array({display("Main", {typed, tiled, noPid, desktopWithPid, badPid})}));
    ASSERT_TRUE(snap);
    const auto& s = snap->displays[0].spaces;
    EXPECT_TRUE(s[0].isFullscreen);
    EXPECT_EQ(s[0].fullscreenPID, 501);
    EXPECT_EQ(s[0].desktopNumber, std::nullopt);
    EXPECT_TRUE(s[1].isFullscreen);
    EXPECT_TRUE(s[2].isFullscreen);
    EXPECT_EQ(s[2].fullscreenPID, std::nullopt);
    EXPECT_FALSE(s[3].isFullscreen);
    EXPECT_EQ(s[3].fullscreenPID, std::nullopt);
    EXPECT_EQ(s[3].desktopNumber, 1);
    EXPECT_EQ(s[4].fullscreenPID, std::nullopt);
}

TEST(SpaceProvider, CountsDesktopsAcrossDisplaysAndFlagsTheMenuBarDisplay)
{
    const P list = P::array({display("Main", {providerSpace(1), providerSpace(2), providerSpace(3)}, 1), display("U2", {providerSpace(4), providerSpace(5)}, 5)});
    struct Case {
        P menuBar;
        bool first, second;
    };
    for (const Case& c : {Case{P("U2"), false, true}, Case{P("Nope"), true, false}, Case{P(), true, false}, Case{P("Main"), true, false}}) {
        const auto snap = build(list, c.menuBar);
        ASSERT_TRUE(snap);
        EXPECT_EQ(snap->displays[0].isMenuBarDisplay, c.first);
        EXPECT_EQ(snap->displays[1].isMenuBarDisplay, c.second);
        EXPECT_EQ(snap->displays[1].spaces[0].desktopNumber, 4);
        EXPECT_EQ(snap->displays[1].spaces[1].desktopNumber, 5);
    }
}

TEST(SpaceProvider, IdentifiersFallBackToManagedNumbers)
{
    P empty = providerSpace(12, "");
    P nonString = providerSpace(13);
    nonString.insert("uuid", 42);
    const auto snap = build(P::array({display("Main", {empty, nonString, providerSpace(14)})}));
    ASSERT_TRUE(snap);
    EXPECT_EQ(snap->displays[0].spaces[0].id, "managed-12");
    EXPECT_EQ(snap->displays[0].spaces[1].id, "managed-13");
    EXPECT_EQ(snap->displays[0].spaces[2].id, "managed-14");
}

TEST(SpaceProvider, DuplicateManagedNumberGivesOneActiveSpace)
{
    const auto snap = build(P::array({display("Main", {providerSpace(2, "X"), providerSpace(3, "Y"), providerSpace(2, "Z")}, 2)}));
    ASSERT_TRUE(snap);
    const auto& s = snap->displays[0].spaces;
    EXPECT_EQ(snap->displays[0].activeSpaceID, QString("Z"));
    EXPECT_FALSE(s[0].isActive);
    EXPECT_TRUE(s[2].isActive);
    EXPECT_EQ(snap->displays[0].activeSpace()->id, "Z");
}

struct MalformedCase {
    const char* name;
    P list;
    bool available;
    std::vector<std::size_t> spacesPerDisplay;
    std::vector<std::vector<int>> indexes;
};

TEST(SpaceProvider, MalformedLists)
{
    P noManaged = P::dict({{"uuid", "Q"}});
    P fractional = P::dict({{"ManagedSpaceID", 2.5}});
    P stringManaged = P::dict({{"ManagedSpaceID", "2"}});
    P wholeReal = P::dict({{"ManagedSpaceID", 6.0}});
    P nonStringKey = P(P::Dict{{P(1), P("x")}});
    P noIdentifier = P::dict({{"Spaces", P::array({providerSpace(1)})}});
    P spacesNotArray = P::dict({{"Display Identifier", "Main"}, {"Spaces", P::dict({{"a", 1}})}});
    P spacesWithNonDict = P::dict({{"Display Identifier", "Main"}, {"Spaces", P::array({providerSpace(1), P(3)})}});
    P currentNotDict = P::dict({{"Display Identifier", "Main"}, {"Spaces", P::array({providerSpace(1)})}, {"Current Space", 1}});

    const MalformedCase cases[] = {
        {"null", P(), false, {}, {}},
        {"not an array", P::dict({{"a", 1}}), false, {}, {}},
        {"empty array", P(P::Array{}), false, {}, {}},
        {"element not a dictionary", P::array({display("Main", {providerSpace(1)}), P("x")}), false, {}, {}},
        {"dictionary with a non-string key", P::array({nonStringKey}), false, {}, {}},
        {"only an empty display dictionary", P::array({P(P::Dict{})}), false, {}, {}},
        {"display without identifier is left out", P::array({noIdentifier, display("U2", {providerSpace(2)})}), true, {1}, {{0}}},
        {"Spaces not an array", P::array({spacesNotArray}), false, {}, {}},
        {"Spaces with a non-dictionary", P::array({spacesWithNonDict}), false, {}, {}},
        {"unusable managed numbers are skipped but counted",
         P::array({display("Main", {noManaged, fractional, stringManaged, P(P::Dict{}), wholeReal, providerSpace(7)})}), true, {2}, {{4, 5}}},
        {"empty Spaces array", P::array({display("Main", {})}), true, {0}, {{}}},
        {"Current Space not a dictionary", P::array({currentNotDict}), true, {1}, {{0}}},
    };
    for (const MalformedCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto snap = build(c.list);
        ASSERT_EQ(bool(snap), c.available);
        if (!snap)
            continue;
        ASSERT_EQ(snap->displays.size(), c.spacesPerDisplay.size());
        for (std::size_t d = 0; d < snap->displays.size(); ++d) {
            ASSERT_EQ(snap->displays[d].spaces.size(), c.spacesPerDisplay[d]);
            std::vector<int> indexes;
            for (const Space& s : snap->displays[d].spaces) {
                indexes.push_back(s.indexOnDisplay);
                EXPECT_FALSE(s.isActive);
            }
            EXPECT_EQ(indexes, c.indexes[d]);
            EXPECT_FALSE(snap->displays[d].activeSpaceID);
        }
        EXPECT_TRUE(snap->displays[0].isMenuBarDisplay);
    }
}

class SpaceProviderWorld : public SimWorldTest {};

TEST_F(SpaceProviderWorld, ReadsTheWindowServerThroughTheBridge)
{
    world->menuBarDisplay = QStringLiteral("nobody");
    const auto snap = SpaceProvider::snapshot(scheduler);
    ASSERT_TRUE(snap);
    EXPECT_EQ(snap->allSpaces().size(), 4u);
    EXPECT_EQ(snap->currentSpace()->managedID, 1);
    EXPECT_EQ(snap->timestamp, scheduler.wallNow());

    world->makeUnavailable("SLSCopyManagedDisplaySpaces");
    install(world);
    EXPECT_FALSE(SpaceProvider::snapshot(scheduler));
}

} // namespace
