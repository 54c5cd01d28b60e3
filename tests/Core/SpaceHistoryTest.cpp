#include "Core/Spaces/SpaceHistory.h"

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

Space space(const QString& id, const QString& display = "Main")
{
    return Space{id, 1, display, 1, 0, false, std::nullopt, false};
}

// One display per entry: its Space ids, its active one, whether it has the menu bar.
SpaceSnapshot snapshot(std::vector<std::tuple<QString, QStringList, std::optional<QString>, bool>> displays)
{
    SpaceSnapshot snap;
    for (auto& [id, ids, active, menuBar] : displays) {
        DisplaySpaces d{id, {}, active, menuBar};
        for (const QString& s : ids)
            d.spaces.push_back(space(s, id));
        snap.displays.push_back(d);
    }
    return snap;
}

} // namespace

TEST(SpaceHistory, VisitsKeepEachSpaceOnceMostRecentFirst)
{
    SpaceHistory history;
    history.visit(space("A"));
    history.visit(space("B"));
    history.visit(space("A"));
    EXPECT_EQ(history.recent(), (QStringList{"A", "B"}));

    for (int i = 1; i <= 25; ++i)
        history.visit(space(QString("S%1").arg(i)));
    ASSERT_EQ(history.recent().size(), SpaceHistory::limit);
    EXPECT_EQ(history.recent().front(), "S25");
    EXPECT_EQ(history.recent().back(), "S6");
}

TEST(SpaceHistory, PreviousSkipsTheCurrentSpaceAndSpacesThatAreGone)
{
    SpaceHistory history;
    EXPECT_FALSE(history.previous(snapshot({{"Main", {"A", "B"}, "A", true}})));

    history.visit(space("B"));
    history.visit(space("A"));
    EXPECT_EQ(history.previous(snapshot({{"Main", {"A", "B"}, "A", true}}))->id, "B");
    // B was removed since: none, never the current Space itself.
    EXPECT_FALSE(history.previous(snapshot({{"Main", {"A", "C"}, "A", true}})));
    EXPECT_EQ(history.recent(), (QStringList{"A", "B"})); // gone entries stay

    // Only the menu-bar display's active Space is skipped.
    const auto twoDisplays = snapshot({{"Main", {"C"}, "C", true}, {"D2", {"A", "B"}, "A", false}});
    EXPECT_EQ(history.previous(twoDisplays)->id, "A");
    EXPECT_EQ(history.previous(twoDisplays)->displayID, "D2");

    // No active Space on the menu-bar display: nothing is skipped.
    EXPECT_EQ(history.previous(snapshot({{"Main", {"A", "B"}, std::nullopt, true}}))->id, "A");
    EXPECT_EQ(history.previous(SpaceSnapshot::empty()), std::nullopt);
}
