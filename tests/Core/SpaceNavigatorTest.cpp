// Which Space a step, a window step or a switch lands on, as one table of
// worlds and settings.

#include "Core/Switching/SpaceNavigator.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace lumivast;
using Direction = SpaceNavigator::Direction;

namespace {

// A row written as text: one letter per Space, upper case when it has apps,
// "*" after a letter for a full-screen Space.
DisplaySpaces row(const QString& layout, QSet<QString>& empty)
{
    DisplaySpaces display{QStringLiteral("Main"), {}, std::nullopt, true};
    for (int i = 0; i < layout.size(); ++i) {
        if (layout[i] == QLatin1Char('*'))
            continue;
        Space space;
        space.id = layout[i].toUpper();
        space.managedID = int(display.spaces.size()) + 1;
        space.displayID = display.id;
        space.indexOnDisplay = int(display.spaces.size());
        space.isFullscreen = i + 1 < layout.size() && layout[i + 1] == QLatin1Char('*');
        if (layout[i].isLower())
            empty.insert(space.id);
        display.spaces.push_back(space);
    }
    return display;
}

// switchTo: to `to`, the active Space being `from`, with `previous` the last one before it.
enum class Move { left, right, up, down, windowLeft, windowRight, switchTo };

struct Case {
    const char* what;
    QString layout;
    QString from;
    Move move;
    SpaceNavigator::Options options;
    QString expected; // empty: nowhere
    QString to = {};
    QString previous = {};
};

SpaceNavigator::Options with(std::function<void(SpaceNavigator::Options&)> change)
{
    SpaceNavigator::Options options;
    change(options);
    return options;
}

} // namespace

TEST(SpaceNavigator, StepsAcrossTheTableOfWorldsAndSettings)
{
    const SpaceNavigator::Options plain;
    const auto noWrap = with([](auto& o) { o.wrapAround = false; });
    const auto skipEmpty = with([](auto& o) { o.skipEmpty = true; });
    const auto hideEmpty = with([](auto& o) { o.hideEmpty = true; });
    const auto hideFullscreen = with([](auto& o) { o.hideFullscreen = true; });
    const auto grid3 = with([](auto& o) { o.gridColumns = 3; });
    const std::vector<Case> cases{
        {"right to the next", "ABCD", "B", Move::right, plain, "C"},
        {"left to the previous", "ABCD", "B", Move::left, plain, "A"},
        {"right wraps round", "ABCD", "D", Move::right, plain, "A"},
        {"left wraps round", "ABCD", "A", Move::left, plain, "D"},
        {"no wrap stops at the right end", "ABCD", "D", Move::right, noWrap, ""},
        {"no wrap stops at the left end", "ABCD", "A", Move::left, noWrap, ""},
        {"a lone Space goes nowhere", "A", "A", Move::right, plain, ""},
        {"two Spaces swap", "AB", "B", Move::right, plain, "A"},
        {"empty ones count without the setting", "AbcD", "A", Move::right, plain, "B"},
        {"skip empty passes them", "AbcD", "A", Move::right, skipEmpty, "D"},
        {"hiding empty ones passes them too", "AbcD", "A", Move::right, hideEmpty, "D"},
        {"skip empty wraps past them", "AbcD", "D", Move::right, skipEmpty, "A"},
        {"skip empty with nothing else goes nowhere", "Abc", "A", Move::right, skipEmpty, ""},
        {"skip empty without wrap stops", "Abc", "A", Move::right, with([](auto& o) { o.skipEmpty = true; o.wrapAround = false; }), ""},
        {"full screen ones count without the setting", "AB*C", "A", Move::right, plain, "B"},
        {"hidden full screen ones are passed", "AB*C", "A", Move::right, hideFullscreen, "C"},
        {"a full screen Space is never skipped as empty", "Ab*C", "A", Move::right, skipEmpty, "B"},
        {"down one grid row", "ABCDEF", "B", Move::down, grid3, "E"},
        {"up one grid row", "ABCDEF", "E", Move::up, grid3, "B"},
        {"up from the top row goes nowhere", "ABCDEF", "B", Move::up, grid3, ""},
        {"down past the last row goes nowhere", "ABCDE", "C", Move::down, grid3, ""},
        {"the grid never wraps", "ABCDEF", "A", Move::up, grid3, ""},
        {"the grid passes over nothing", "ABcdEF", "A", Move::down, with([](auto& o) { o.gridColumns = 2; o.skipEmpty = true; }), "C"},
        {"without a grid up is one to the left", "ABCD", "C", Move::up, plain, "B"},
        {"without a grid down is one to the right", "ABCD", "C", Move::down, plain, "D"},
        {"a window passes full screen ones", "AB*C", "A", Move::windowRight, plain, "C"},
        {"a window goes to empty ones", "Abc", "A", Move::windowRight, skipEmpty, "B"},
        {"a window wraps round", "AB*C", "A", Move::windowLeft, plain, "C"},
        {"a window stops without wrap", "AB*C", "A", Move::windowLeft, noWrap, ""},
        {"a window has nowhere to go beside full screen ones", "AB*C*", "A", Move::windowRight, plain, ""},
        {"another Space is that Space", "ABC", "A", Move::switchTo, plain, "B", "B", "C"},
        {"the shown Space's own shortcut goes back", "ABC", "A", Move::switchTo, plain, "C", "A", "C"},
        {"with nowhere to go back to it stays", "ABC", "A", Move::switchTo, plain, "A", "A", ""},
        {"without back-and-forth it stays", "ABC", "A", Move::switchTo, with([](auto& o) { o.backAndForth = false; }), "A", "A", "C"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QSet<QString> empty;
        DisplaySpaces display = row(c.layout, empty);
        for (Space& space : display.spaces)
            space.isActive = space.id == c.from;
        const SpaceNavigator navigator(c.options, [&empty](const Space& space) { return empty.contains(space.id); });
        const auto from = std::find_if(display.spaces.begin(), display.spaces.end(),
                                       [&](const Space& space) { return space.id == c.from; });
        ASSERT_NE(from, display.spaces.end());
        std::optional<Space> target;
        switch (c.move) {
        case Move::left: target = navigator.step(Direction::left, display, *from); break;
        case Move::right: target = navigator.step(Direction::right, display, *from); break;
        case Move::up: target = navigator.step(Direction::up, display, *from); break;
        case Move::down: target = navigator.step(Direction::down, display, *from); break;
        case Move::windowLeft: target = navigator.windowStep(false, display, *from); break;
        case Move::windowRight: target = navigator.windowStep(true, display, *from); break;
        case Move::switchTo: {
            const auto find = [&](const QString& id) -> std::optional<Space> {
                for (const Space& space : display.spaces) {
                    if (space.id == id)
                        return space;
                }
                return std::nullopt;
            };
            target = navigator.switchTarget(*find(c.to), find(c.previous));
            break;
        }
        }
        EXPECT_EQ(target ? target->id : QString(), c.expected);
    }
}

TEST(SpaceNavigator, ListsHideEmptyAndFullScreenSpacesOnlyWhenAsked)
{
    QSet<QString> empty;
    const DisplaySpaces display = row(QStringLiteral("AbC*"), empty);
    const auto isEmpty = [&empty](const Space& space) { return empty.contains(space.id); };
    const SpaceNavigator hideBoth(with([](auto& o) { o.hideEmpty = true; o.hideFullscreen = true; }), isEmpty);
    const SpaceNavigator hideNone({}, isEmpty);
    EXPECT_FALSE(hideBoth.hides(display.spaces[0]));
    EXPECT_TRUE(hideBoth.hides(display.spaces[1]));
    EXPECT_TRUE(hideBoth.hides(display.spaces[2]));
    for (const Space& space : display.spaces)
        EXPECT_FALSE(hideNone.hides(space)) << space.id.toStdString();
    // A full-screen Space is never hidden as empty.
    EXPECT_FALSE(SpaceNavigator::hides(display.spaces[2], false, true, true));
}
