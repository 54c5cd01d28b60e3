#include "Core/Commands/SpaceResolution.h"

#include <QHash>

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

using Ref = SpaceCommand::SpaceRef;

Space desktop(const QString& id, const QString& display, int number, int index, bool active = false)
{
    return Space{id, number * 10, display, number, index, false, std::nullopt, active};
}

Space fullscreen(const QString& id, const QString& display, int index)
{
    return Space{id, 90 + index, display, std::nullopt, index, true, 812, false};
}

// Main: Desktop 1 "Mailing", Desktop 2 "Web Dev" (active), a full-screen "Safari";
// D2: Desktop 3 "Development", Desktop 4 "Mail" (active), Desktop 5 with no name of its own.
class SpaceResolution : public ::testing::Test {
protected:
    SpaceSnapshot snapshot{{DisplaySpaces{"Main",
                                          {desktop("a", "Main", 1, 0), desktop("b", "Main", 2, 1, true),
                                           fullscreen("f", "Main", 2)},
                                          QString("b"),
                                          true},
                            DisplaySpaces{"D2",
                                          {desktop("c", "D2", 3, 0), desktop("d", "D2", 4, 1, true),
                                           desktop("e", "D2", 5, 2)},
                                          QString("d"),
                                          false}},
                           QDateTime::currentDateTimeUtc()};
    QHash<QString, QString> names{{"a", "Mailing"}, {"b", "Web Dev"},     {"f", "Safari"},
                                  {"c", "Development"}, {"d", "Mail"}, {"e", ""}};
    DisplayNameLookup lookup = [this](const Space& space) { return names.value(space.id); };

    std::optional<QString> resolvedID(const Ref& ref) const
    {
        const auto space = resolve(ref, snapshot, lookup);
        return space ? std::optional<QString>(space->id) : std::nullopt;
    }
};

} // namespace

TEST_F(SpaceResolution, Numbers)
{
    const struct {
        std::int64_t number;
        std::optional<QString> id;
    } rows[] = {
        {1, "a"}, {2, "b"}, {3, "c"}, {5, "e"}, {0, std::nullopt}, {-1, std::nullopt}, {6, std::nullopt},
        {INT64_MAX, std::nullopt}, {(std::int64_t(1) << 32) + 1, std::nullopt}, // no wrap to Desktop 1
    };
    for (const auto& row : rows)
        EXPECT_EQ(resolvedID(Ref::number(row.number)), row.id) << row.number;
}

TEST_F(SpaceResolution, NumbersPickTheFirstMatchInListOrder)
{
    snapshot.displays[1].spaces[0].desktopNumber = 1; // a duplicate: list order decides
    EXPECT_EQ(resolvedID(Ref::number(1)), "a");
    EXPECT_EQ(resolvedID(Ref::number(3)), std::nullopt);
    EXPECT_EQ(resolve(Ref::number(1), snapshot, lookup), snapshot.displays[0].spaces[0]);
}

TEST_F(SpaceResolution, Names)
{
    const struct {
        const char* name;
        std::optional<QString> id;
    } rows[] = {
        {"Mail", "d"},          // exact, on the second display
        {"mail", "d"},          // exact beats the earlier prefix match "Mailing"
        {"MAILING", "a"},       //
        {"Dev", "c"},           // prefix "Development" beats the earlier substring "Web Dev"
        {"web", "b"},           // prefix
        {"eb d", "b"},          // substring
        {"ail", "a"},           // substring: first in list order
        {"saf", "f"},           // full-screen Spaces match by name
        {"Safari ", std::nullopt},
        {"Desktop 1", std::nullopt},
        {"current", std::nullopt},
        {"", std::nullopt},     // matches nothing, not the first Space
    };
    for (const auto& row : rows)
        EXPECT_EQ(resolvedID(Ref::name(QString::fromUtf8(row.name))), row.id) << row.name;
}

TEST_F(SpaceResolution, NamesIgnoreCaseAndNormalisation)
{
    names["e"] = QString::fromUtf8("Caf\u00e9 \u00c9cole");
    EXPECT_EQ(resolvedID(Ref::name(QString::fromUtf8("CAFE\u0301"))), "e");
    EXPECT_EQ(resolvedID(Ref::name(QString::fromUtf8("\u00e9cole"))), "e");
    EXPECT_EQ(resolvedID(Ref::name("cafe")), std::nullopt);
}

TEST_F(SpaceResolution, EmptyNameMatchesNothingEvenAnUnnamedSpace)
{
    names.clear(); // every visible name empty
    EXPECT_EQ(resolvedID(Ref::name("")), std::nullopt);
    EXPECT_EQ(resolvedID(Ref::name("a")), std::nullopt);
}

TEST_F(SpaceResolution, NamesLookUpEachSpaceInOrder)
{
    QStringList asked;
    lookup = [&](const Space& space) {
        asked << space.id;
        return names.value(space.id);
    };
    EXPECT_EQ(resolvedID(Ref::name("Mail")), "d");
    EXPECT_EQ(asked, QStringList({"a", "b", "f", "c", "d", "e"}));

    EXPECT_EQ(resolve(Ref::name("Mail"), snapshot, DisplayNameLookup{}), std::nullopt);
}

TEST_F(SpaceResolution, Current)
{
    EXPECT_EQ(resolvedID(Ref::current()), "b"); // the menu-bar display's active Space

    snapshot.displays[0].isMenuBarDisplay = false;
    snapshot.displays[1].isMenuBarDisplay = true;
    EXPECT_EQ(resolvedID(Ref::current()), "d");

    snapshot.displays[1].activeSpaceID.reset();
    EXPECT_EQ(resolvedID(Ref::current()), std::nullopt);

    snapshot.displays[1].isMenuBarDisplay = false; // none flagged: the first display
    EXPECT_EQ(resolvedID(Ref::current()), "b");

    for (const Ref& ref : {Ref::current(), Ref::number(1), Ref::name("Mail")})
        EXPECT_EQ(resolve(ref, SpaceSnapshot::empty(), lookup), std::nullopt);
}
