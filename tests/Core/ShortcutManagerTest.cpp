#include "Core/Settings/Settings.h"
#include "Core/Switching/ShortcutManager.h"
#include "Core/Switching/ShortcutTexts.h"
#include "Platform/Sim/SimHotKeys.h"
#include "Platform/VirtualScheduler.h"
#include "tests/support/RecordingFront.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

using namespace lumivast;
namespace K = Settings::Key;
using Kind = SimHotKeys::Call::Kind;

namespace {

struct Combo {
    quint32 keyCode;
    quint32 modifiers;
    friend bool operator==(const Combo&, const Combo&) = default;
    friend void PrintTo(const Combo& c, std::ostream* os) { *os << "(" << c.keyCode << ", 0x" << std::hex << c.modifiers << ")"; }
};

constexpr quint32 ctrlOpt = 0x1800;
constexpr quint32 shift = 0x200;
constexpr std::array<quint32, 10> digits = {18, 19, 20, 21, 23, 22, 26, 28, 25, 29};

// The default set for base mask m: overview, digits with their shifted twins,
// navigation, tools.
std::vector<Combo> defaultCombos(quint32 m)
{
    std::vector<Combo> combos{{48, 0x800}};
    for (quint32 d : digits) {
        combos.push_back({d, m});
        combos.push_back({d, m | shift});
    }
    for (Combo c : {Combo{123, m}, {124, m}, {50, m}, {123, m | shift}, {124, m | shift}, {13, m}, {3, m}, {37, m},
                    {44, m}, {46, m}, {39, m}})
        combos.push_back(c);
    return combos;
}

} // namespace

class ShortcutManagerTest : public test::TempHomeTest {
protected:
    void SetUp() override
    {
        Settings::registerDefaults();
    }

    ShortcutManager::Handlers recordingHandlers()
    {
        auto note = [this](QString what) { log.append(std::move(what)); };
        auto withInt = [note](QString name) { return [note, name](int n) { note(name + "(" + QString::number(n) + ")"); }; };
        auto withBool = [note](QString name) {
            return [note, name](bool b) { note(name + (b ? "(true)" : "(false)")); };
        };
        auto plain = [note](QString name) { return [note, name] { note(name); }; };
        return {
            .overview = plain("overview"),
            .switchToDesktop = withInt("switchToDesktop"),
            .moveWindowToDesktop = withInt("moveWindowToDesktop"),
            .step = withBool("step"),
            .moveWindowStep = withBool("moveWindowStep"),
            .previous = plain("previous"),
            .step2D = withBool("step2D"),
            .windowSwitcher = plain("windowSwitcher"),
            .windowSearch = plain("windowSearch"),
            .launcher = plain("launcher"),
            .scratchpad = plain("scratchpad"),
            .setMark = plain("setMark"),
            .jumpToMark = plain("jumpToMark"),
        };
    }

    std::vector<Combo> registered() const
    {
        std::vector<Combo> combos;
        for (const auto& r : sim.registrations())
            combos.push_back({r.keyCode, r.modifiers});
        return combos;
    }

    void set(const QString& key, const QJsonValue& value) { Settings::defaults().set(key, value); }

    SimHotKeys sim;
    VirtualScheduler scheduler;
    GlobalHotKeys hotKeys{sim, scheduler};
    QStringList log;
};

TEST_F(ShortcutManagerTest, DefaultsRegister32ShortcutsInTableOrder)
{
    EXPECT_EQ(ShortcutManager::settingsSignature(), "optionTab|controlOption|true|true|0");
    ShortcutManager manager(hotKeys, recordingHandlers());
    manager.refresh();

    EXPECT_EQ(registered(), defaultCombos(ctrlOpt));
    EXPECT_TRUE(manager.failures().isEmpty());
    for (const auto& r : sim.registrations())
        EXPECT_EQ(r.id.signature, GlobalHotKey::signature);
}

TEST_F(ShortcutManagerTest, EachShortcutRunsItsHandlerWithItsArgument)
{
    set(K::gridColumns, 3);
    ShortcutManager manager(hotKeys, recordingHandlers());
    manager.refresh();
    ASSERT_EQ(sim.registrations().size(), 34u);

    for (const auto& r : sim.registrations())
        ASSERT_EQ(sim.press(r.keyCode, r.modifiers), SimHotKeys::Delivery::handled);
    EXPECT_TRUE(log.isEmpty()); // only once the main queue runs
    scheduler.runPending();

    QStringList expected{"overview"};
    for (int n = 1; n <= 10; ++n)
        expected << QString("switchToDesktop(%1)").arg(n) << QString("moveWindowToDesktop(%1)").arg(n);
    expected << "step(false)" << "step(true)" << "previous" << "moveWindowStep(false)" << "moveWindowStep(true)"
             << "step2D(true)" << "step2D(false)" << "windowSwitcher" << "windowSearch" << "launcher" << "scratchpad"
             << "setMark" << "jumpToMark";
    EXPECT_EQ(log, expected);
    // Up and down arrows follow the shifted arrows.
    EXPECT_EQ(registered()[26], (Combo{126, ctrlOpt}));
    EXPECT_EQ(registered()[27], (Combo{125, ctrlOpt}));
}

TEST_F(ShortcutManagerTest, SettingsChooseWhichShortcutsExist)
{
    struct Case {
        const char* name;
        std::vector<std::pair<QString, QJsonValue>> settings;
        std::size_t count;
        std::vector<Combo> present;
        std::vector<Combo> absent;
    };
    const std::vector<Case> cases = {
        {"modifier off ignores flags and grid",
         {{K::desktopShortcutModifier, "off"}, {K::gridColumns, 3}},
         1, {{48, 0x800}}, {{18, ctrlOpt}, {13, ctrlOpt}}},
        {"unknown modifier text reads as off", {{K::desktopShortcutModifier, "Hyper"}}, 1, {{48, 0x800}}, {}},
        {"grid without navigation keeps only digits and tools",
         {{K::gridColumns, 3}, {K::navigationShortcuts, false}},
         27, {{13, ctrlOpt}, {39, ctrlOpt}, {29, ctrlOpt | shift}},
         {{123, ctrlOpt}, {124, ctrlOpt}, {50, ctrlOpt}, {126, ctrlOpt}, {125, ctrlOpt}, {123, ctrlOpt | shift}}},
        {"no move-window shortcuts means no shift at all",
         {{K::moveWindowShortcuts, false}},
         20, {{18, ctrlOpt}, {123, ctrlOpt}},
         {{18, ctrlOpt | shift}, {29, ctrlOpt | shift}, {123, ctrlOpt | shift}, {124, ctrlOpt | shift}}},
        {"negative grid counts as off", {{K::gridColumns, -2}}, 32, {}, {{126, ctrlOpt}, {125, ctrlOpt}}},
        {"preset f13 has no modifiers", {{K::overlayHotKey, "f13"}}, 32, {{105, 0}}, {{48, 0x800}}},
        {"preset controlOptionSpace", {{K::overlayHotKey, "controlOptionSpace"}}, 32, {{49, 0x1800}}, {}},
        {"preset optionBacktick", {{K::overlayHotKey, "optionBacktick"}}, 32, {{50, 0x800}}, {}},
        {"preset commandOptionSpace", {{K::overlayHotKey, "commandOptionSpace"}}, 32, {{49, 0x900}}, {}},
        {"controlCommand", {{K::desktopShortcutModifier, "controlCommand"}}, 32, {{18, 0x1100}, {18, 0x1300}}, {}},
        {"optionCommand", {{K::desktopShortcutModifier, "optionCommand"}}, 32, {{39, 0x900}, {124, 0xB00}}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& [key, value] : c.settings)
            set(key, value);
        ShortcutManager manager(hotKeys, recordingHandlers());
        manager.refresh();
        const auto combos = registered();
        EXPECT_EQ(combos.size(), c.count);
        EXPECT_TRUE(manager.failures().isEmpty());
        for (const Combo& p : c.present)
            EXPECT_NE(std::ranges::find(combos, p), combos.end()) << p.keyCode << "/" << p.modifiers;
        for (const Combo& a : c.absent)
            EXPECT_EQ(std::ranges::find(combos, a), combos.end()) << a.keyCode << "/" << a.modifiers;
        for (const auto& [key, value] : c.settings)
            Settings::defaults().remove(key);
    }
}

TEST_F(ShortcutManagerTest, EveryRefusedShortcutIsListedByItsLabelInOrder)
{
    set(K::gridColumns, 2);
    set(K::desktopShortcutModifier, "hyper");
    const quint32 hyper = 0x1900;
    auto combos = defaultCombos(hyper);
    combos.insert(combos.begin() + 26, {{126, hyper}, {125, hyper}});
    for (const Combo& c : combos)
        sim.setTaken(c.keyCode, c.modifiers);

    ShortcutManager manager(hotKeys, recordingHandlers());
    manager.refresh();

    // Named as they work here: Control is Ctrl, Option is Alt, Command is Meta.
    QStringList expected{"Overview (Alt+Tab)"};
    for (QString d : {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"})
        expected << "Meta+Ctrl+Alt+" + d << "Meta+Ctrl+Alt+Shift+" + d;
    for (const char* tail : {"Left", "Right", "`", "Shift+Left", "Shift+Right", "Up", "Down", "W", "F", "L", "/", "M", "'"})
        expected << QStringLiteral("Meta+Ctrl+Alt+") + tail;
    EXPECT_EQ(manager.failures(), expected);
    EXPECT_TRUE(sim.registrations().empty());
}

TEST_F(ShortcutManagerTest, OneRefusalIsListedAndTheRestStillRegister)
{
    struct Case {
        QString preset;
        Combo taken;
        QString label;
    };
    const std::vector<Case> cases = {
        {"optionTab", {20, ctrlOpt}, "Ctrl+Alt+3"},
        {"optionTab", {29, ctrlOpt}, "Ctrl+Alt+0"},
        {"optionTab", {29, ctrlOpt | shift}, "Ctrl+Alt+Shift+0"},
        {"optionTab", {48, 0x800}, "Overview (Alt+Tab)"},
        {"controlOptionSpace", {49, 0x1800}, "Overview (Ctrl+Alt+Space)"},
        {"optionBacktick", {50, 0x800}, "Overview (Alt+`)"},
        {"commandOptionSpace", {49, 0x900}, "Overview (Meta+Alt+Space)"},
        {"f13", {105, 0}, "Overview (F13)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label.toStdString());
        set(K::overlayHotKey, c.preset);
        sim.setTaken(c.taken.keyCode, c.taken.modifiers);
        ShortcutManager manager(hotKeys, recordingHandlers());
        manager.refresh();
        EXPECT_EQ(manager.failures(), QStringList{c.label});
        EXPECT_EQ(sim.registrations().size(), 31u);
        sim.setTaken(c.taken.keyCode, c.taken.modifiers, false);
    }
}

TEST_F(ShortcutManagerTest, RefreshRebuildsOnlyWhenOneOfTheFiveSettingsChanged)
{
    sim.setTaken(20, ctrlOpt);
    ShortcutManager manager(hotKeys, recordingHandlers());
    manager.refresh();
    ASSERT_EQ(manager.failures(), QStringList{"Ctrl+Alt+3"});
    sim.setTaken(20, ctrlOpt, false);
    sim.clearCalls();

    // Same settings, or a setting outside the five: nothing dropped, nothing retried.
    manager.refresh();
    set(K::wrapAround, false);
    manager.refresh();
    EXPECT_TRUE(sim.calls().empty());
    EXPECT_EQ(manager.failures(), QStringList{"Ctrl+Alt+3"});

    // Changing the modifier drops every old key first, then registers all anew.
    set(K::desktopShortcutModifier, "hyper");
    manager.refresh();
    const auto calls = sim.calls();
    ASSERT_EQ(calls.size(), 31u + 32u);
    for (std::size_t i = 0; i < 31; ++i)
        EXPECT_EQ(calls[i].kind, Kind::unregistered) << i;
    std::vector<Combo> again;
    for (std::size_t i = 31; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].kind, Kind::registered) << i;
        again.push_back({calls[i].keyCode, calls[i].modifiers});
    }
    EXPECT_EQ(again, defaultCombos(0x1900));
    EXPECT_TRUE(manager.failures().isEmpty());
}

TEST_F(ShortcutManagerTest, ActionMayRebuildTheSetThatHoldsIt)
{
    auto handlers = recordingHandlers();
    ShortcutManager* self = nullptr;
    handlers.launcher = [&] {
        set(K::desktopShortcutModifier, "off");
        self->refresh();
        log.append("launcher done");
    };
    ShortcutManager manager(hotKeys, handlers);
    self = &manager;
    manager.refresh();

    sim.press(37, ctrlOpt);
    scheduler.runPending();
    EXPECT_EQ(log, QStringList{"launcher done"});
    EXPECT_EQ(registered(), (std::vector<Combo>{{48, 0x800}}));
}

TEST_F(ShortcutManagerTest, UnsetHandlersDoNothingAndDroppingTheManagerUnregistersAll)
{
    {
        ShortcutManager::Handlers handlers;
        handlers.overview = [this] { log.append("overview"); };
        ShortcutManager manager(hotKeys, handlers);
        manager.refresh();
        ASSERT_EQ(sim.registrations().size(), 32u);
        sim.press(20, ctrlOpt);
        sim.press(48, 0x800);
        scheduler.runPending();
        EXPECT_EQ(log, QStringList{"overview"});
    }
    EXPECT_TRUE(sim.registrations().empty());
}

TEST_F(ShortcutManagerTest, TheSettingsWindowSpellsEachShortcutAsItsConflictIsSpelled)
{
    struct Case {
        const char* modifier;
        quint32 mask;
        const char* name;
    };
    for (const Case& c : {Case{"controlOption", 0x1800, "Ctrl+Alt"}, Case{"controlCommand", 0x1100, "Meta+Ctrl"},
                          Case{"optionCommand", 0x900, "Meta+Alt"}, Case{"hyper", 0x1900, "Meta+Ctrl+Alt"}}) {
        SCOPED_TRACE(c.modifier);
        set(K::desktopShortcutModifier, c.modifier);
        for (const Combo& combo : defaultCombos(c.mask))
            sim.setTaken(combo.keyCode, combo.modifiers);
        ShortcutManager manager(hotKeys, recordingHandlers());
        manager.refresh();
        const QStringList& l = manager.failures();
        ASSERT_EQ(l.size(), 32);

        const auto modifier = fromRawValue<DesktopShortcutModifier>(QString::fromLatin1(c.modifier));
        const auto texts = ShortcutTexts::forModifier(*modifier);
        ASSERT_TRUE(texts);
        EXPECT_EQ(ShortcutTexts::modifierName(*modifier), c.name);
        EXPECT_EQ(texts->switchToDesktops, l[1] + " \u2026 " + l[19]);
        EXPECT_EQ(texts->sendToDesktops, l[2] + " \u2026 " + l[20]);
        EXPECT_EQ(texts->previousNext, l[21] + " / " + l[22]);
        EXPECT_EQ(texts->backToLast, l[23]);
        EXPECT_EQ(texts->sendLeftRight, l[24] + " / " + l[25]);
        const std::array<QString, 6> tools{l[27], l[26], l[28], l[29], l[30], l[31]}; // F, W, L, /, M, '
        EXPECT_EQ(texts->tools, tools);
        EXPECT_TRUE(texts->switchToDesktops.startsWith(QString(c.name) + "+1"));
    }
    EXPECT_FALSE(ShortcutTexts::forModifier(DesktopShortcutModifier::off));
    EXPECT_EQ(ShortcutTexts::modifierName(DesktopShortcutModifier::off), QString());
    EXPECT_EQ(ShortcutTexts::presetName(OverlayHotKeyPreset::commandOptionSpace), "Meta+Alt+Space");
    EXPECT_EQ(ShortcutTexts::presetName(OverlayHotKeyPreset::optionBacktick), "Alt+`");
}

TEST_F(ShortcutManagerTest, KeysForTheCommandSinkSendWhatTheOtherFrontsSend)
{
    test::RecordingFront sink;
    ShortcutManager manager(hotKeys, ShortcutManager::handlersFor(sink));
    manager.refresh();
    sim.press(20, ctrlOpt);                         // the 3 key
    sim.press(20, ctrlOpt | HotKeyModifier::shift); // the same, shifted
    sim.press(123, ctrlOpt);                        // left
    sim.press(37, ctrlOpt);                         // L
    sim.press(48, 0x800);                           // the overview's key
    sim.press(46, ctrlOpt);                         // M
    scheduler.runPending();
    using Ref = SpaceCommand::SpaceRef;
    EXPECT_EQ(sink.commands, (std::vector<SpaceCommand>{SpaceCommand::switchTo(Ref::number(3)),
                                                        SpaceCommand::moveWindow(Ref::number(3)),
                                                        SpaceCommand::step(false), SpaceCommand::launcher()}));
    EXPECT_EQ(sink.calls, (QStringList{"overviewHotKey", "setMark"}));
}
