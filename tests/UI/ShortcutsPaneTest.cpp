#include "UI/Settings/ShortcutsPane.h"
#include "tests/UI/PaneTesting.h"
#include "tests/UI/SettingsWorld.h"

#include <QLabel>

#include <gtest/gtest.h>

using namespace lumivast;
using lumivast::test::findByText;
using lumivast::test::shown;
namespace K = Settings::Key;

namespace {

class ShortcutsPaneTest : public test::SettingsWorldTest {
protected:
    void SetUp() override
    {
        SettingsWorldTest::SetUp();
        services->shortcutFailures = [this] {
            ++reads;
            return taken;
        };
    }

    ShortcutsPane* open()
    {
        controller->show(SettingsTab::shortcuts);
        return pane<ShortcutsPane>();
    }

    // The row of a label, and the value it shows.
    static QWidget* row(ShortcutsPane* pane, const QString& label)
    {
        QLabel* text = findByText<QLabel>(pane, label);
        return text ? text->parentWidget() : nullptr;
    }
    static QString value(ShortcutsPane* pane, const QString& label)
    {
        QWidget* line = row(pane, label);
        return line ? line->findChildren<QLabel*>().last()->text() : QString();
    }

    QStringList taken;
    int reads = 0;
};

TEST_F(ShortcutsPaneTest, SectionsRowsAndTextsFollowTheModifierAndBothToggles)
{
    struct Modifier {
        const char* stored;
        const char* p; // the modifiers as the key rule spells them
    };
    const Modifier modifiers[] = {{"off", ""}, {"controlOption", "Ctrl+Alt+"}, {"controlCommand", "Meta+Ctrl+"},
                                  {"optionCommand", "Meta+Alt+"}, {"hyper", "Meta+Ctrl+Alt+"}};
    ShortcutsPane* shortcuts = open();
    ASSERT_NE(shortcuts, nullptr);
    for (const Modifier& m : modifiers) {
        for (bool navigation : {true, false}) {
            for (bool moveWindow : {true, false}) {
                SCOPED_TRACE(std::string(m.stored) + (navigation ? " nav" : " no-nav") + (moveWindow ? " move" : " no-move"));
                Settings::defaults().set(K::desktopShortcutModifier, QString::fromLatin1(m.stored));
                Settings::defaults().set(K::navigationShortcuts, navigation);
                Settings::defaults().set(K::moveWindowShortcuts, moveWindow);
                const bool on = QString::fromLatin1(m.stored) != "off";
                const QString p = QString::fromUtf8(m.p);

                EXPECT_TRUE(shown(shortcuts->section("Overview"), shortcuts));
                EXPECT_TRUE(shown(shortcuts->section("Spaces"), shortcuts));
                EXPECT_TRUE(shown(shortcuts->section("Other ways in"), shortcuts));
                EXPECT_EQ(shown(shortcuts->section("Windows"), shortcuts), on);
                EXPECT_EQ(shown(shortcuts->section("Tools"), shortcuts), on);
                EXPECT_FALSE(shown(shortcuts->section("Conflicts"), shortcuts));

                EXPECT_EQ(shown(row(shortcuts, "Switch to Desktop 1 to 10"), shortcuts), on);
                EXPECT_EQ(shown(row(shortcuts, "Previous / next"), shortcuts), on && navigation);
                EXPECT_EQ(shown(row(shortcuts, "Back to last Space"), shortcuts), on && navigation);
                for (const char* toggle : {"Wrap around at the ends", "Skip empty Spaces",
                                           "Pressing the current Space's shortcut goes back to the last one"})
                    EXPECT_EQ(shown(findByText<SettingToggle>(shortcuts, toggle), shortcuts), on && navigation) << toggle;
                EXPECT_EQ(shown(row(shortcuts, "Up and down move by"), shortcuts), on && navigation);
                EXPECT_EQ(shown(row(shortcuts, "Send to Desktop 1 to 10"), shortcuts), on && moveWindow);
                EXPECT_EQ(shown(row(shortcuts, "Send left / right"), shortcuts), on && moveWindow && navigation);
                if (!on)
                    continue;
                EXPECT_EQ(value(shortcuts, "Switch to Desktop 1 to 10"), p + "1 \u2026 " + p + "0");
                EXPECT_EQ(value(shortcuts, "Previous / next"), p + "Left / " + p + "Right");
                EXPECT_EQ(value(shortcuts, "Back to last Space"), p + "`");
                EXPECT_EQ(value(shortcuts, "Send to Desktop 1 to 10"), p + "Shift+1 \u2026 " + p + "Shift+0");
                EXPECT_EQ(value(shortcuts, "Send left / right"), p + "Shift+Left / " + p + "Shift+Right");
                EXPECT_EQ(value(shortcuts, "Find a window on any Space"), p + "F");
                EXPECT_EQ(value(shortcuts, "Windows on this Space"), p + "W");
                EXPECT_EQ(value(shortcuts, "Open an app here"), p + "L");
                EXPECT_EQ(value(shortcuts, "Scratchpad app"), p + "/");
                EXPECT_EQ(value(shortcuts, "Mark window, then a letter"), p + "M");
                EXPECT_EQ(value(shortcuts, "Jump to mark, then the letter"), p + "'");
            }
        }
    }
    EXPECT_EQ(value(shortcuts, "URL scheme"), "lumivast://switch/3");
    EXPECT_EQ(value(shortcuts, "AppleScript"), "tell app \"Lumivast\" to switch to space \"Mail\"");
}

TEST_F(ShortcutsPaneTest, PickersOfferTheFixedPresetsAndLeaveJunkUnselected)
{
    ShortcutsPane* shortcuts = open();
    auto* overview = qobject_cast<SettingPicker*>(row(shortcuts, "Open overview")->findChild<SettingPicker*>());
    auto* modifier = qobject_cast<SettingPicker*>(row(shortcuts, "Shortcut modifier")->findChild<SettingPicker*>());
    auto* grid = qobject_cast<SettingPicker*>(row(shortcuts, "Up and down move by")->findChild<SettingPicker*>());
    ASSERT_TRUE(overview && modifier && grid);
    const auto titles = [](SettingPicker* picker) {
        QStringList list;
        for (int i = 0; i < picker->count(); ++i)
            list.append(picker->itemText(i));
        return list;
    };
    EXPECT_EQ(titles(overview), (QStringList{"Alt+Tab", "Ctrl+Alt+Space", "Alt+`", "Meta+Alt+Space", "F13"}));
    EXPECT_EQ(titles(modifier), (QStringList{"Off", "Ctrl+Alt", "Meta+Ctrl", "Meta+Alt", "Meta+Ctrl+Alt"}));
    EXPECT_EQ(titles(grid), (QStringList{"Off", "2 Spaces (a grid of 2 columns)", "3 Spaces (a grid of 3 columns)",
                                         "4 Spaces (a grid of 4 columns)", "5 Spaces (a grid of 5 columns)",
                                         "6 Spaces (a grid of 6 columns)"}));
    EXPECT_EQ(overview->currentText(), "Alt+Tab");
    EXPECT_EQ(modifier->currentText(), "Ctrl+Alt");
    EXPECT_EQ(grid->currentText(), "Off");

    grid->setCurrentIndex(2);
    EXPECT_EQ(Settings::defaults().object(K::gridColumns), QJsonValue(3));
    grid->setCurrentIndex(0);
    EXPECT_EQ(Settings::defaults().object(K::gridColumns), QJsonValue(0));

    // Junk: no selection, nothing written back; an unknown modifier counts as off.
    Settings::defaults().set(K::gridColumns, 1);
    Settings::defaults().set(K::overlayHotKey, "optionSpace");
    Settings::defaults().set(K::desktopShortcutModifier, "controlShift");
    EXPECT_EQ(grid->currentIndex(), -1);
    EXPECT_EQ(overview->currentIndex(), -1);
    EXPECT_EQ(modifier->currentIndex(), -1);
    EXPECT_FALSE(shown(shortcuts->section("Tools"), shortcuts));
    EXPECT_FALSE(shown(row(shortcuts, "Switch to Desktop 1 to 10"), shortcuts));
    EXPECT_EQ(Settings::defaults().object(K::desktopShortcutModifier), QJsonValue("controlShift"));
    modifier->setCurrentIndex(4);
    EXPECT_EQ(Settings::defaults().object(K::desktopShortcutModifier), QJsonValue("hyper"));
    EXPECT_TRUE(shown(shortcuts->section("Tools"), shortcuts));
}

TEST_F(ShortcutsPaneTest, ConflictsAreReadOnAppearingAndAFifthOfASecondAfterEachModifierChange)
{
    taken = {"Ctrl+Alt+3", "Ctrl+Alt+Shift+3"};
    ShortcutsPane* shortcuts = open();
    EXPECT_EQ(reads, 1);
    EXPECT_TRUE(shown(shortcuts->section("Conflicts"), shortcuts));
    EXPECT_EQ(shortcuts->conflictsText()->text(),
              "Another app already uses: Ctrl+Alt+3, Ctrl+Alt+Shift+3. Pick a different modifier or free them in that app.");
    EXPECT_TRUE(test::hasPixel(shortcuts->conflictsText()->grab().toImage(), test::isOrange));

    // Other controls never re-read.
    taken.clear();
    Settings::defaults().set(K::overlayHotKey, "f13");
    Settings::defaults().set(K::navigationShortcuts, false);
    scheduler.advance(1s);
    EXPECT_EQ(reads, 1);
    EXPECT_TRUE(shown(shortcuts->section("Conflicts"), shortcuts));

    // Each modifier change reads once, 0.2 s later; none is cancelled by the next.
    Settings::defaults().set(K::desktopShortcutModifier, "hyper");
    scheduler.advance(100ms);
    Settings::defaults().set(K::desktopShortcutModifier, "optionCommand");
    scheduler.advance(99ms);
    EXPECT_EQ(reads, 1);
    scheduler.advance(1ms);
    EXPECT_EQ(reads, 2);
    EXPECT_FALSE(shown(shortcuts->section("Conflicts"), shortcuts));
    taken = {"Overview (F13)"};
    scheduler.advance(100ms);
    EXPECT_EQ(reads, 3);
    EXPECT_EQ(shortcuts->conflictsText()->text(),
              "Another app already uses: Overview (F13). Pick a different modifier or free them in that app.");

    // A read still due when the pane goes never reaches it.
    Settings::defaults().set(K::desktopShortcutModifier, "controlOption");
    clickTab(SettingsTab::general);
    scheduler.advance(1s);
    EXPECT_EQ(reads, 3);
}

} // namespace
