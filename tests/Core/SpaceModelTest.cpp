#include "Core/Spaces/SpaceModel.h"

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

Space modelDesktop(const QString& id, QString display, int number, int index, bool active = false)
{
    return Space{id, number * 10, std::move(display), number, index, false, std::nullopt, active};
}

} // namespace

TEST(SpaceModel, EmptySnapshotHasNothing)
{
    const SpaceSnapshot& e = SpaceSnapshot::empty();
    EXPECT_TRUE(e.allSpaces().empty());
    EXPECT_TRUE(e.activeSpaces().empty());
    EXPECT_EQ(e.menuBarDisplay(), nullptr);
    EXPECT_EQ(e.space("x"), nullptr);
    EXPECT_EQ(e.display(modelDesktop("a", "Main", 1, 0)), nullptr);
    EXPECT_EQ(e.currentSpace(), nullptr);
    EXPECT_LT(e.timestamp, QDateTime::fromSecsSinceEpoch(0));
}

TEST(SpaceModel, DerivedMembers)
{
    DisplaySpaces one{"Main", {modelDesktop("a", "Main", 1, 0), modelDesktop("b", "Main", 2, 1, true)}, QString("b"), false};
    DisplaySpaces two{"D2", {modelDesktop("c", "D2", 3, 0)}, QString("gone"), false};
    SpaceSnapshot snap{{one, two}, QDateTime::currentDateTimeUtc()};

    EXPECT_EQ(snap.allSpaces().size(), 3u);
    ASSERT_EQ(snap.activeSpaces().size(), 1u); // D2's active id names no Space
    EXPECT_EQ(snap.activeSpaces()[0].id, "b");
    EXPECT_EQ(snap.menuBarDisplay()->id, "Main"); // none flagged: the first
    EXPECT_EQ(snap.currentSpace()->id, "b");
    EXPECT_EQ(snap.display(*snap.space("c"))->id, "D2");
    EXPECT_EQ(snap.display(modelDesktop("z", "Unplugged", 9, 0)), nullptr);

    snap.displays[1].isMenuBarDisplay = true;
    EXPECT_EQ(snap.menuBarDisplay()->id, "D2");
    EXPECT_EQ(snap.currentSpace(), nullptr);

    SpaceSnapshot later = snap;
    later.timestamp = snap.timestamp.addSecs(1);
    EXPECT_NE(later, snap);
    EXPECT_EQ(later.displays, snap.displays);
}
