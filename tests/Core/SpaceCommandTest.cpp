#include "Core/Commands/SpaceCommand.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

using namespace lumivast;

namespace {

using Cmd = SpaceCommand;
using Ref = SpaceCommand::SpaceRef;

std::string describe(const Ref& ref)
{
    if (const auto* n = std::get_if<Ref::Number>(&ref.value))
        return "number(" + std::to_string(n->value) + ")";
    if (const auto* s = std::get_if<Ref::Name>(&ref.value))
        return "name(\"" + s->text.toStdString() + "\")";
    return "current";
}

std::string describe(const std::optional<QString>& text)
{
    return text ? "\"" + text->toStdString() + "\"" : "nil";
}

// Readable failure messages for the tables below.
std::string describe(const std::optional<Cmd>& command)
{
    if (!command)
        return "no command";
    std::string out = "case " + std::to_string(command->value.index());
    std::visit(
        [&](const auto& c) {
            using T = std::decay_t<decltype(c)>;
            if constexpr (requires { c.target; })
                out += " target " + describe(c.target);
            if constexpr (std::is_same_v<T, Cmd::Rename>)
                out += " name " + describe(c.name);
            if constexpr (std::is_same_v<T, Cmd::Note>)
                out += " text " + describe(c.text);
            if constexpr (std::is_same_v<T, Cmd::Profile> || std::is_same_v<T, Cmd::Template>)
                out += " \"" + c.name.toStdString() + "\"";
            if constexpr (std::is_same_v<T, Cmd::Step> || std::is_same_v<T, Cmd::MoveWindowStep>)
                out += c.right ? " right" : " left";
            if constexpr (std::is_same_v<T, Cmd::Windows>)
                out += c.allSpaces ? " all" : " current";
            if constexpr (std::is_same_v<T, Cmd::Step2D>)
                out += c.up ? " up" : " down";
        },
        command->value);
    return out;
}

struct UrlRow {
    const char* url;
    std::optional<Cmd> expected;
};

const Ref current = Ref::current();
Ref number(std::int64_t n) { return Ref::number(n); }
Ref name(const QString& s) { return Ref::name(s); }

} // namespace

TEST(SpaceCommandUrl, Grammar)
{
    const UrlRow rows[] = {
        // Every command word and alias.
        {"lumivast://switch", Cmd::switchTo(current)},
        {"lumivast://next", Cmd::step(true)},
        {"lumivast://right", Cmd::step(true)},
        {"lumivast://previous", Cmd::step(false)},
        {"lumivast://prev", Cmd::step(false)},
        {"lumivast://left", Cmd::step(false)},
        {"lumivast://back", Cmd::back()},
        {"lumivast://last", Cmd::back()},
        {"lumivast://overview", Cmd::overview()},
        {"lumivast://move-window", Cmd::moveWindow(current)},
        {"lumivast://rename", Cmd::rename(current, std::nullopt)},
        {"lumivast://note", Cmd::note(current, std::nullopt)},
        {"lumivast://setup", Cmd::setup(current)},
        {"lumivast://settings", Cmd::settings()},
        {"lumivast://diagnostics", Cmd::diagnostics()},
        {"lumivast://profile/Home", Cmd::profile("Home")},
        {"lumivast://template/Developer", Cmd::template_("Developer")},
        {"lumivast://save-layout", Cmd::saveLayout()},
        {"lumivast://restore-layout", Cmd::restoreLayout()},
        {"lumivast://eject", Cmd::eject()},
        {"lumivast://windows", Cmd::windows(false)},
        {"lumivast://launcher", Cmd::launcher()},
        {"lumivast://launch", Cmd::launcher()},
        {"lumivast://scratchpad", Cmd::scratchpad()},
        {"lumivast://minimize-all", Cmd::minimizeAll()},
        {"lumivast://undo-minimize", Cmd::undoMinimize()},
        {"lumivast://save-space", Cmd::saveAndClose()},
        {"lumivast://add-desktop", Cmd::addDesktop()},
        {"lumivast://remove-desktop", Cmd::removeDesktop(current)},
        {"lumivast://notes", Cmd::notes(current)},
        {"lumivast://demo-tour", Cmd::demoTour()},
        {"lumivast://up", Cmd::step2D(true)},
        {"lumivast://down", Cmd::step2D(false)},
        {"LUMIVAST://Next", Cmd::step(true)},
        {"lumivast://DEMO-TOUR", Cmd::demoTour()},

        // Targets by component.
        {"lumivast://switch/3", Cmd::switchTo(number(3))},
        {"lumivast://SWITCH/Mail", Cmd::switchTo(name("Mail"))},
        {"lumivast://switch/", Cmd::switchTo(current)},
        {"lumivast://switch/current", Cmd::switchTo(current)},
        {"lumivast://switch/Current", Cmd::switchTo(current)},
        {"lumivast://switch/Mail%20Room", Cmd::switchTo(name("Mail Room"))},
        {"lumivast://switch/a%2Fb", Cmd::switchTo(name("a/b"))},
        {"lumivast://switch/3/9", Cmd::switchTo(number(3))},
        {"lumivast://switch//3/", Cmd::switchTo(number(3))},
        {"lumivast://switch/2?name=Mail", Cmd::switchTo(number(2))},
        {"lumivast://user:pw@switch:99/3#Mail", Cmd::switchTo(number(3))},
        {"lumivast://move-window/2", Cmd::moveWindow(number(2))},
        {"lumivast://move-window/prev", Cmd::moveWindow(name("prev"))},
        {"lumivast://move-window/Right", Cmd::moveWindowStep(true)},
        {"lumivast://move-window/next", Cmd::moveWindowStep(true)},
        {"lumivast://move-window/left", Cmd::moveWindowStep(false)},
        {"lumivast://move-window/PREVIOUS", Cmd::moveWindowStep(false)},
        {"lumivast://setup/Work", Cmd::setup(name("Work"))},
        {"lumivast://remove-desktop/4", Cmd::removeDesktop(number(4))},
        {"lumivast://notes/current", Cmd::notes(current)},
        {"lumivast://windows/ALL", Cmd::windows(true)},
        {"lumivast://windows/some", Cmd::windows(false)},
        {"lumivast://next/5", Cmd::step(true)},
        {"lumivast://overview/3?space=2", Cmd::overview()},

        // Integers: optional sign, ASCII digits, 64 bits.
        {"lumivast://switch/+4", Cmd::switchTo(number(4))},
        {"lumivast://switch/-1", Cmd::switchTo(number(-1))},
        {"lumivast://switch/007", Cmd::switchTo(number(7))},
        {"lumivast://switch/0", Cmd::switchTo(number(0))},
        {"lumivast://switch/-0", Cmd::switchTo(number(0))},
        {"lumivast://switch/9223372036854775807", Cmd::switchTo(number(INT64_MAX))},
        {"lumivast://switch/-9223372036854775808", Cmd::switchTo(number(INT64_MIN))},
        {"lumivast://switch/9223372036854775808", Cmd::switchTo(name("9223372036854775808"))},
        {"lumivast://switch/99999999999999999999", Cmd::switchTo(name("99999999999999999999"))},
        {"lumivast://switch/4x", Cmd::switchTo(name("4x"))},
        {"lumivast://switch/+", Cmd::switchTo(name("+"))},
        {"lumivast://switch/+-4", Cmd::switchTo(name("+-4"))},
        {"lumivast://switch/%203", Cmd::switchTo(name(" 3"))},
        {"lumivast://switch/%EF%BC%93", Cmd::switchTo(name(QString::fromUtf8("\uFF13")))}, // full-width digit
        {"lumivast://switch?space=-3", Cmd::switchTo(number(-3))},
        {"lumivast://switch?space=+007", Cmd::switchTo(number(7))},
        {"lumivast://switch?space=3a", Cmd::switchTo(current)},
        {"lumivast://switch?space=%203", Cmd::switchTo(current)},
        {"lumivast://switch?space=-", Cmd::switchTo(current)},

        // Name and space items.
        {"lumivast://switch?name=Mail%20Room", Cmd::switchTo(name("Mail Room"))},
        {"lumivast://switch?space=2", Cmd::switchTo(number(2))},
        {"lumivast://switch?space=abc", Cmd::switchTo(current)},
        {"lumivast://switch?space=", Cmd::switchTo(current)},
        {"lumivast://switch?Name=Mail", Cmd::switchTo(current)},
        {"lumivast://switch?name=", Cmd::switchTo(name(""))},
        {"lumivast://switch?name", Cmd::switchTo(name(""))},
        {"lumivast://switch?name=current", Cmd::switchTo(name("current"))},
        {"lumivast://switch?name=Mail&space=2", Cmd::switchTo(name("Mail"))},
        {"lumivast://switch?name=a+b%26c", Cmd::switchTo(name("a+b&c"))},
        {"lumivast://switch?name=Mail&name=Home", Cmd::switchTo(name("Mail"))},
        {"lumivast://switch?other=1", Cmd::switchTo(current)},
        {"lumivast://move-window?name=Mail", Cmd::moveWindow(name("Mail"))},
        {"lumivast://move-window?space=3", Cmd::moveWindow(number(3))},
        {"lumivast://rename?name=Mail", Cmd::rename(current, QString("Mail"))},
        {"lumivast://rename/2?name=Mail", Cmd::rename(number(2), QString("Mail"))},
        {"lumivast://rename?space=2&name=Mail", Cmd::rename(number(2), QString("Mail"))},
        {"lumivast://rename?name=Mail&space=2", Cmd::rename(number(2), QString("Mail"))},
        {"lumivast://rename/Work?name=", Cmd::rename(name("Work"), QString(""))},
        {"lumivast://note/Work?text=Standup", Cmd::note(name("Work"), QString("Standup"))},
        {"lumivast://note?text=", Cmd::note(current, QString(""))},
        {"lumivast://note?text=Call%0ABob&space=1", Cmd::note(number(1), QString("Call\nBob"))},
        {"lumivast://setup?name=Mail", Cmd::setup(current)},
        {"lumivast://notes?space=007", Cmd::notes(number(7))},
        {"lumivast://remove-desktop?name=Mail", Cmd::removeDesktop(current)},
        {"lumivast://profile?name=Work", Cmd::profile("Work")},
        {"lumivast://profile/Work?name=Home", Cmd::profile("Work")},
        {"lumivast://profile?name=", Cmd::profile("")},
        {"lumivast://template?name=developer", Cmd::template_("developer")},
        {"lumivast://template/My%20Setup", Cmd::template_("My Setup")},

        // No command.
        {"lumivast:next", std::nullopt},
        {"lumivast:switch/1", std::nullopt},
        {"lumivast://", std::nullopt},
        {"lumivast:///switch/1", std::nullopt},
        {"other://switch/1", std::nullopt},
        {"http://next", std::nullopt},
        {"switch/1", std::nullopt},
        {"lumivast://jump", std::nullopt},
        {"lumivast://switch-to/1", std::nullopt},
        {"lumivast://move_window", std::nullopt},
        {"lumivast://profile", std::nullopt},
        {"lumivast://profile?text=Work", std::nullopt},
        {"lumivast://template", std::nullopt},
    };

    for (const UrlRow& row : rows) {
        const QUrl url(QString::fromUtf8(row.url));
        const std::optional<Cmd> parsed = Cmd::fromUrl(url);
        EXPECT_TRUE(parsed == row.expected)
            << row.url << "\n  got:      " << describe(parsed) << "\n  expected: " << describe(row.expected);
    }
}

TEST(SpaceCommandUrl, ParsedNamesKeepTheirText)
{
    // Equality ignores Unicode normalisation, so check the stored text itself.
    const auto command = Cmd::fromUrl(QUrl("lumivast://switch/Cafe%CC%81"));
    ASSERT_TRUE(command);
    const auto* target = std::get_if<Ref::Name>(&std::get<Cmd::SwitchTo>(command->value).target.value);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->text, QString::fromUtf8("Cafe\u0301"));
}

TEST(SpaceCommandEquality, SpaceRef)
{
    const QString composed = QString::fromUtf8("Caf\u00e9");
    const QString decomposed = QString::fromUtf8("Cafe\u0301");
    ASSERT_NE(composed, decomposed);

    struct Row {
        Ref a, b;
        bool equal;
    } rows[] = {
        {number(3), number(3), true},
        {number(3), number(4), false},
        {number(-1), number(-1), true},
        {name("Mail"), name("Mail"), true},
        {name("Mail"), name("mail"), false},
        {name("Mail"), name("Mail "), false},
        {name(composed), name(decomposed), true},
        {name(""), name(""), true},
        {current, current, true},
        {name("3"), number(3), false},
        {name("current"), current, false},
        {number(0), current, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.a == row.b, row.equal) << describe(row.a) << " vs " << describe(row.b);
        EXPECT_EQ(row.b == row.a, row.equal) << describe(row.b) << " vs " << describe(row.a);
    }
}

TEST(SpaceCommandEquality, Commands)
{
    const QString composed = QString::fromUtf8("Caf\u00e9");
    const QString decomposed = QString::fromUtf8("Cafe\u0301");

    struct Row {
        Cmd a, b;
        bool equal;
    } rows[] = {
        {Cmd::back(), Cmd::back(), true},
        {Cmd::back(), Cmd::overview(), false},
        {Cmd::step(true), Cmd::step(true), true},
        {Cmd::step(true), Cmd::step(false), false},
        {Cmd::step(true), Cmd::moveWindowStep(true), false},
        {Cmd::step2D(true), Cmd::step(true), false},
        {Cmd::switchTo(number(2)), Cmd::switchTo(number(2)), true},
        {Cmd::switchTo(number(2)), Cmd::moveWindow(number(2)), false},
        {Cmd::switchTo(number(2)), Cmd::switchTo(current), false},
        {Cmd::rename(current, std::nullopt), Cmd::rename(current, std::nullopt), true},
        {Cmd::rename(current, std::nullopt), Cmd::rename(current, QString("")), false},
        {Cmd::rename(current, QString("A")), Cmd::rename(current, QString("a")), false},
        {Cmd::rename(current, composed), Cmd::rename(current, decomposed), true},
        {Cmd::rename(number(1), QString("A")), Cmd::rename(number(2), QString("A")), false},
        {Cmd::note(current, QString("")), Cmd::note(current, std::nullopt), false},
        {Cmd::note(name(composed), QString("x")), Cmd::note(name(decomposed), QString("x")), true},
        {Cmd::profile(composed), Cmd::profile(decomposed), true},
        {Cmd::profile("Work"), Cmd::template_("Work"), false},
        {Cmd::template_("Dev"), Cmd::template_("dev"), false},
        {Cmd::windows(true), Cmd::windows(false), false},
        {Cmd::notes(current), Cmd::removeDesktop(current), false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.a == row.b, row.equal) << describe(row.a) << " vs " << describe(row.b);
        EXPECT_EQ(row.b == row.a, row.equal) << describe(row.b) << " vs " << describe(row.a);
    }

    // Copies are independent values.
    Cmd original = Cmd::rename(name("Mail"), QString("Post"));
    const Cmd copy = original;
    std::get<Cmd::Rename>(original.value).name = QString("Other");
    EXPECT_EQ(copy, Cmd::rename(name("Mail"), QString("Post")));
    EXPECT_NE(copy, original);
}
