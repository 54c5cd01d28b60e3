#include "UI/Settings/ShortcutsPane.h"
#include "UI/Settings/SpaceEditor.h"
#include "UI/Settings/SpacesPane.h"
#include "tests/UI/PaneTesting.h"
#include "tests/UI/SettingsWorld.h"
#include "tests/support/OtherSystemParts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>

using namespace lumivast;

namespace {

// Words and names that belong to the first system alone. "Space Dock" is the program's own.
const QRegularExpression kFirstSystemWords(
    QStringLiteral("\\bMac\\b|macOS|Finder|System Settings|menu bar|Mission Control|(?<!Space )\\bDock\\b|[Tt]rackpad|"
                   "AppleScript|Shortcuts app|Raycast|Alfred|BetterTouchTool"));

class SystemWordsTest : public test::SettingsWorldTest {
protected:
    void TearDown() override
    {
        SpaceEditor::shortcutQueue().waitUntilIdle();
        SettingsWorldTest::TearDown();
    }

    // Every text that shows in the window on each tab, with the editor of Desktop 3 open.
    QStringList textsOnEveryTab()
    {
        QStringList texts;
        for (SettingsTab tab : allSettingsTabs()) {
            controller->show(tab, tab == SettingsTab::spaces ? std::optional(space(3).id) : std::nullopt);
            QWidget* root = &window();
            for (QLabel* label : root->findChildren<QLabel*>())
                if (label->isVisibleTo(root))
                    texts << label->text();
            for (QAbstractButton* button : root->findChildren<QAbstractButton*>())
                if (button->isVisibleTo(root))
                    texts << button->text();
            for (QLineEdit* field : root->findChildren<QLineEdit*>())
                if (field->isVisibleTo(root))
                    texts << field->placeholderText();
            for (QComboBox* picker : root->findChildren<QComboBox*>())
                if (picker->isVisibleTo(root))
                    for (int i = 0; i < picker->count(); ++i)
                        texts << picker->itemText(i);
        }
        return texts;
    }
};

// Each pair: the first system's text, and what the other system shows in its place
// (empty: the row is left out there).
struct Pair {
    const char* first;
    const char* other;
};

const Pair kPanes[] = {
    {"Stored only on this Mac. Nothing is sent anywhere.", "Stored only on this computer. Nothing is sent anywhere."},
    {"Let other apps on this Mac read and control Spaces", "Let other apps on this computer read and control Spaces"},
    {"Show Data Folder in Finder", "Show Data Folder in the file manager"},
    {"Exports names, notes, icons, colours, automations and every setting as one JSON file. Previews and icon images "
     "stay on this Mac.",
     "Exports names, notes, icons, colours, automations and every setting as one JSON file. Previews and icon images "
     "stay on this computer."},
    {"Hidden Spaces are also left out of the menu and the menu bar. The current Space is always shown.",
     "Hidden Spaces are also left out of the menu and the system tray. The current Space is always shown."},
    {"Scroll over the menu bar item to switch", "Scroll over the system tray item to switch"},
    {"Menu bar", "System tray"},
    {"Recommended macOS settings", "Recommended Debian GNU/Linux settings"},
    {"Switch to this Space first; macOS only changes the wallpaper of the current Space.",
     "Switch to this Space first; Debian GNU/Linux only changes the wallpaper of the current Space."},
    {"Show names in Mission Control", ""},
    {"Four-finger tap on the trackpad opens the overview", ""},
    {"Stay on this Space when clicking Dock icons", ""},
    {"Classic (Mission Control shortcuts)", ""},
    {"Spaces stay in order", ""},
    {"No jumping on app switch", ""},
    {"Accessibility", ""},
    {"Screen Recording", ""},
    {"Desktop shortcuts", "Shortcuts"},
    {"AppleScript", "Session bus"},
    {"Shortcut name, exactly as in the Shortcuts app", ""},
};

TEST_F(SystemWordsTest, PanesSpeakOfTheSystemTheyRunOn)
{
    world->screenRecordingGranted = true;
    const QStringList first = textsOnEveryTab();
    controller.reset();
    world->systemParts = std::make_shared<test::OtherSystemParts>();
    controller = std::make_unique<SettingsWindowController>(*services);
    const QStringList other = textsOnEveryTab();

    for (const Pair& pair : kPanes) {
        SCOPED_TRACE(pair.first);
        EXPECT_TRUE(first.contains(QString::fromUtf8(pair.first)));
        if (*pair.other)
            EXPECT_TRUE(other.contains(QString::fromUtf8(pair.other)));
    }
    for (const QString& text : other)
        EXPECT_FALSE(kFirstSystemWords.match(text).hasMatch()) << text.toStdString();
}

TEST(OtherWaysIn, EachSystemListsItsOwnDoorsWithTheSameSpace)
{
    const SystemParts first;
    const test::OtherSystemParts other;
    EXPECT_EQ(ShortcutsPane::otherWaysIn(first),
              (std::vector<ShortcutsPane::WayIn>{{"URL scheme", "lumivast://switch/3"},
                                                 {"AppleScript", "tell app \"Lumivast\" to switch to space \"Mail\""}}));
    const auto ways = ShortcutsPane::otherWaysIn(other);
    QStringList titles;
    for (const auto& way : ways) {
        titles << way.title;
        EXPECT_TRUE(way.example.contains("Mail")) << way.example.toStdString();
        EXPECT_FALSE(kFirstSystemWords.match(way.example).hasMatch());
    }
    EXPECT_EQ(titles, (QStringList{"URL scheme", "Session bus", "Command line", "HTTP API"}));
}

} // namespace
