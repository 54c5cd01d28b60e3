#include "Core/Notes/NoteFiles.h"
#include "Platform/SerialQueue.h"
#include "UI/Settings/SpaceEditor.h"
#include "UI/Settings/SpacesPane.h"
#include "tests/UI/SettingsWorld.h"
#include "tests/support/Controls.h"
#include "tests/support/OtherSystemParts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <future>

using namespace lumivast;
using test::control;

namespace {

// Types as the user would: what is there is replaced.
void type(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Backspace);
    else
        QTest::keyClicks(edit, text);
}

void typeAndReturn(QLineEdit* edit, const QString& text)
{
    type(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

QStringList rowTexts(QWidget* rows)
{
    QStringList texts;
    for (QWidget* row : rows->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QStringList parts;
        for (QLabel* label : row->findChildren<QLabel*>()) {
            if (!label->text().isEmpty())
                parts << label->text();
        }
        texts << parts.join(QLatin1Char(' '));
    }
    return texts;
}

void clickRemove(QWidget* rows, int index)
{
    const QList<QWidget*> list = rows->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_LT(index, list.size());
    list[index]->findChild<QToolButton*>()->click();
}

class SpaceEditorTest : public test::SettingsWorldTest {
protected:
    SpaceEditor* edit(int managedID)
    {
        controller->show(SettingsTab::spaces, space(managedID).id);
        SpacesPane* spaces = pane<SpacesPane>();
        return spaces ? spaces->editor() : nullptr;
    }
    void arriveShortcuts()
    {
        SpaceEditor::shortcutQueue().waitUntilIdle();
        scheduler.runPending();
    }
    int storeChanges = 0;
    void countStoreChanges()
    {
        QObject::connect(store.get(), &SpaceStore::changed, store.get(), [this] { ++storeChanges; });
    }
};

TEST_F(SpaceEditorTest, ANewSpaceShowsAnEmptyFormAndSavingItStoresNothing)
{
    countStoreChanges();
    SpaceEditor* editor = edit(3);
    ASSERT_NE(editor, nullptr);
    QLineEdit* nameField = control<QLineEdit>(editor, "nameField");
    QComboBox* iconPicker = control<QComboBox>(editor, "iconPicker");
    QComboBox* colorPicker = control<QComboBox>(editor, "colorPicker");
    EXPECT_EQ(storeChanges, 0); // opening writes nothing
    EXPECT_EQ(nameField->text(), "");
    EXPECT_EQ(nameField->placeholderText(), "Desktop 3");
    EXPECT_EQ(control<QLineEdit>(editor, "noteField")->placeholderText(), "What is this Space for?");
    EXPECT_EQ(control<QLineEdit>(editor, "categoryField")->placeholderText(),
              QString::fromUtf8("Work, Personal, Clients\u2026"));
    EXPECT_EQ(iconPicker->currentText(), "Default");
    EXPECT_EQ(iconPicker->count(), 25);
    EXPECT_EQ(iconPicker->itemText(24), "bolt");
    EXPECT_FALSE(iconPicker->itemIcon(1).isNull());
    EXPECT_EQ(colorPicker->currentText(), "None");
    EXPECT_EQ(colorPicker->count(), 10);
    EXPECT_TRUE(colorPicker->itemIcon(1).isNull()); // names only, no swatch
    EXPECT_FALSE(control<QLabel>(editor, "iconImage")->isVisibleTo(editor));
    EXPECT_FALSE(control<QPushButton>(editor, "iconRemoveButton")->isVisibleTo(editor));
    EXPECT_TRUE(control<QCheckBox>(editor, "launchOnceToggle")->isChecked());
    EXPECT_FALSE(control<QCheckBox>(editor, "onlyIfEmptyToggle")->isChecked());
    EXPECT_FALSE(control<QCheckBox>(editor, "hideOthersToggle")->isChecked());
    EXPECT_EQ(control<QComboBox>(editor, "browserPicker")->currentText(), "None");
    EXPECT_FALSE(control<QWidget>(editor, "profileRow")->isVisibleTo(editor));
    EXPECT_FALSE(control<QPushButton>(editor, "setUpButton")->isVisibleTo(editor));
    control<QPushButton>(editor, "saveButton")->click();
    EXPECT_FALSE(store->metas().contains(space(3).id));
}

TEST_F(SpaceEditorTest, TheNameIsTrimmedOnReturnAndRemembered)
{
    SpaceEditor* editor = edit(3);
    QLineEdit* nameField = control<QLineEdit>(editor, "nameField");
    typeAndReturn(nameField, QStringLiteral("  Deep Work  "));
    EXPECT_EQ(store->meta(space(3).id).name, QStringLiteral("Deep Work"));
    EXPECT_EQ(home.defaults().stringList(Settings::Key::recentSpaceNames).value_or(QStringList()).value(0), "Deep Work");
    EXPECT_EQ(nameField->text(), "  Deep Work  ");
    // Cleared (or blanks only): the Space goes back to its default name; recent names stay.
    typeAndReturn(nameField, QStringLiteral("   "));
    EXPECT_EQ(store->meta(space(3).id).name, std::nullopt);
    EXPECT_EQ(home.defaults().stringList(Settings::Key::recentSpaceNames), (QStringList{"Deep Work", "Work"}));
}

TEST_F(SpaceEditorTest, PickersSaveAtOnceAndTakeTextTypedBefore)
{
    SpaceEditor* editor = edit(3);
    QComboBox* colorPicker = control<QComboBox>(editor, "colorPicker");
    QComboBox* iconPicker = control<QComboBox>(editor, "iconPicker");
    type(control<QLineEdit>(editor, "noteField"), QStringLiteral("Plans"));
    EXPECT_EQ(store->meta(space(3).id).note, std::nullopt);
    colorPicker->setCurrentIndex(colorPicker->findText("Green"));
    EXPECT_EQ(store->meta(space(3).id).colorHex, QStringLiteral("#4FBF7A"));
    EXPECT_EQ(store->meta(space(3).id).note, QStringLiteral("Plans"));
    iconPicker->setCurrentIndex(iconPicker->findText("terminal"));
    EXPECT_EQ(store->meta(space(3).id).symbol, QStringLiteral("terminal"));
    iconPicker->setCurrentIndex(0);
    EXPECT_EQ(store->meta(space(3).id).symbol, std::nullopt);
}

TEST_F(SpaceEditorTest, ASymbolAndColourFromElsewhereShowNoChoiceAndSurviveSaves)
{
    store->setSymbol(QStringLiteral("briefcase"), space(3).id);
    store->setColor(QStringLiteral("#123456"), space(3).id);
    SpaceEditor* editor = edit(3);
    EXPECT_EQ(control<QComboBox>(editor, "iconPicker")->currentIndex(), -1);
    EXPECT_EQ(control<QComboBox>(editor, "colorPicker")->currentIndex(), -1);
    typeAndReturn(control<QLineEdit>(editor, "nameField"), QStringLiteral("Clients"));
    EXPECT_EQ(store->meta(space(3).id).symbol, QStringLiteral("briefcase"));
    EXPECT_EQ(store->meta(space(3).id).colorHex, QStringLiteral("#123456"));
}

TEST_F(SpaceEditorTest, ResetLeavesOnlyTheCategoryAndDeletesTheIconFile)
{
    const QString image = home.path(QStringLiteral("icon.png"));
    QImage(40, 40, QImage::Format_ARGB32).save(image);
    const QString id = space(3).id;
    store->setName(QStringLiteral("Name"), id);
    store->setNote(QStringLiteral("Note"), id);
    store->setGroup(QStringLiteral("Clients"), id);
    store->setSymbol(QStringLiteral("star"), id);
    store->setColor(QStringLiteral("#EF5B5B"), id);
    SpaceAutomation automation;
    automation.openURLs = {QStringLiteral("https://example.org")};
    store->setAutomation(automation, id);
    store->setCustomIcon(image, id);
    const QString iconFile = *store->meta(id).iconFile;
    SpaceEditor* editor = edit(3);
    QLabel* iconImage = control<QLabel>(editor, "iconImage");
    EXPECT_TRUE(iconImage->isVisibleTo(editor));
    EXPECT_EQ(iconImage->pixmap().deviceIndependentSize(), QSizeF(22, 22));

    control<QPushButton>(editor, "resetButton")->click();
    SpaceMeta left;
    left.group = QStringLiteral("Clients");
    EXPECT_EQ(store->meta(id), left);
    EXPECT_FALSE(QFile::exists(AppPaths::file(QStringLiteral("Icons/") + iconFile)));
    EXPECT_EQ(control<QLineEdit>(editor, "nameField")->text(), "");
    EXPECT_EQ(control<QLineEdit>(editor, "categoryField")->text(), "Clients");
    EXPECT_FALSE(iconImage->isVisibleTo(editor));
}

TEST_F(SpaceEditorTest, TheIconImageComesFromAnImagePanel)
{
    SpaceEditor* editor = edit(3);
    QPushButton* iconChooseButton = control<QPushButton>(editor, "iconChooseButton");
    QPushButton* iconRemoveButton = control<QPushButton>(editor, "iconRemoveButton");
    iconChooseButton->click(); // cancelled
    ASSERT_EQ(panels.opened.size(), 1u);
    EXPECT_EQ(panels.opened[0].allowedKinds, std::vector<FileKind>{FileKind::image});
    EXPECT_EQ(store->meta(space(3).id).iconFile, std::nullopt);
    const QString image = home.path(QStringLiteral("icon.png"));
    QImage(40, 40, QImage::Format_ARGB32).save(image);
    panels.openAnswers.push_back(QStringList{image});
    iconChooseButton->click();
    EXPECT_TRUE(store->meta(space(3).id).iconFile);
    EXPECT_TRUE(iconRemoveButton->isVisibleTo(editor));
    iconRemoveButton->click();
    EXPECT_EQ(store->meta(space(3).id).iconFile, std::nullopt);
    EXPECT_FALSE(iconRemoveButton->isVisibleTo(editor));
}

TEST_F(SpaceEditorTest, TheNotesFileTakesWhatTheStoreHoldsNotUnsavedText)
{
    store->setNote(QStringLiteral("Stored note"), space(3).id);
    SpaceEditor* editor = edit(3);
    type(control<QLineEdit>(editor, "noteField"), QStringLiteral("Typed note"));
    control<QPushButton>(editor, "notesFileButton")->click();
    QFile file(QDir(NoteFiles::folder()).filePath(QStringLiteral("Desktop 3.md")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("Stored note"));
    EXPECT_FALSE(text.contains("Typed note"));
    EXPECT_EQ(store->meta(space(3).id).note, QStringLiteral("Stored note"));
}

TEST_F(SpaceEditorTest, TheWallpaperGoesToTheActiveSpaceOfItsScreen)
{
    SpaceEditor* inactive = edit(2);
    EXPECT_FALSE(control<QPushButton>(inactive, "wallpaperButton")->isEnabled());
    EXPECT_EQ(control<QLabel>(inactive, "wallpaperCaption")->text(),
              "Switch to this Space first; macOS only changes the wallpaper of the current Space.");

    SpaceEditor* editor = edit(7); // the active Space of the second display
    EXPECT_TRUE(control<QPushButton>(editor, "wallpaperButton")->isEnabled());
    EXPECT_EQ(control<QLabel>(editor, "wallpaperCaption")->text(),
              "macOS keeps a wallpaper per Space; this sets the one for the Space you are on.");
    control<QPushButton>(editor, "wallpaperButton")->click(); // cancelled
    EXPECT_TRUE(world->desktopPicturesSet.empty());
    panels.openAnswers.push_back(QStringList{QStringLiteral("/pictures/sea.jpg")});
    control<QPushButton>(editor, "wallpaperButton")->click();
    ASSERT_EQ(world->desktopPicturesSet.size(), 1u);
    EXPECT_EQ(world->desktopPicturesSet[0], (SimWorld::DesktopPictureSet{7, QStringLiteral("/pictures/sea.jpg")}));
    // A refusal is ignored.
    world->desktopPictureRefused = true;
    panels.openAnswers.push_back(QStringList{QStringLiteral("/pictures/hill.jpg")});
    control<QPushButton>(editor, "wallpaperButton")->click();
    EXPECT_EQ(world->desktopPicturesSet.size(), 1u);
    EXPECT_TRUE(editor->isVisible());
}

TEST_F(SpaceEditorTest, GoingOffScreenSavesAndComingBackLoads)
{
    // Where the system has no shortcuts app the editor asks for no shortcut list; it saves and loads all the same.
    for (const bool shortcutsApp : {true, false}) {
        SCOPED_TRACE(shortcutsApp ? "with the shortcuts app" : "without it");
        if (!shortcutsApp)
            world->systemParts = std::make_shared<test::OtherSystemParts>();
        SpaceEditor* editor = edit(3);
        QLineEdit* noteField = control<QLineEdit>(editor, "noteField");
        type(noteField, QStringLiteral("Unsaved"));
        window().close();
        EXPECT_EQ(store->meta(space(3).id).note, QStringLiteral("Unsaved"));
        store->setNote(QStringLiteral("Changed elsewhere"), space(3).id);
        controller->show();
        EXPECT_EQ(noteField->text(), "Changed elsewhere");
        type(control<QLineEdit>(editor, "categoryField"), shortcutsApp ? QStringLiteral("Home") : QStringLiteral("Work"));
        clickTab(SettingsTab::general);
        EXPECT_EQ(store->meta(space(3).id).group, shortcutsApp ? QStringLiteral("Home") : QStringLiteral("Work"));
        window().close();
    }
}

TEST_F(SpaceEditorTest, SavingWritesOnlyWhatTheUserChanged)
{
    SpaceEditor* editor = edit(3);
    // Changed elsewhere while the editor shows the Space: a rename, a profile's automation.
    store->setName(QStringLiteral("Renamed"), space(3).id);
    SpaceAutomation automation;
    automation.pinnedApps = {QStringLiteral("org.example.mail")};
    store->setAutomation(automation, space(3).id);
    typeAndReturn(control<QLineEdit>(editor, "noteField"), QStringLiteral("Note"));
    EXPECT_EQ(store->meta(space(3).id).name, QStringLiteral("Renamed"));
    EXPECT_EQ(store->meta(space(3).id).automation, automation);
    EXPECT_EQ(store->meta(space(3).id).note, QStringLiteral("Note"));
    // Going off screen writes nothing more.
    window().close();
    EXPECT_EQ(store->meta(space(3).id).name, QStringLiteral("Renamed"));
}

// ---- automations ----

TEST_F(SpaceEditorTest, LaunchAppsAreAddedOnceAndURLsAsTyped)
{
    SpaceEditor* editor = edit(3);
    QPushButton* addLaunchAppButton = control<QPushButton>(editor, "addLaunchAppButton");
    QWidget* launchAppRows = control<QWidget>(editor, "launchAppRows");
    QPushButton* setUpButton = control<QPushButton>(editor, "setUpButton");
    QLineEdit* urlField = control<QLineEdit>(editor, "urlField");
    QPushButton* addURLButton = control<QPushButton>(editor, "addURLButton");
    const QString id = space(3).id;
    panels.openAnswers.push_back(QStringList{"/Applications/Editor.app", "/Applications/Browser.app"});
    addLaunchAppButton->click();
    ASSERT_EQ(panels.opened.size(), 1u);
    EXPECT_TRUE(panels.opened[0].allowsMultipleSelection);
    EXPECT_EQ(panels.opened[0].directory, "/Applications");
    panels.openAnswers.push_back(QStringList{"/Applications/Editor.app"});
    addLaunchAppButton->click();
    EXPECT_EQ(store->meta(id).automation->launchApps, (QStringList{"/Applications/Editor.app", "/Applications/Browser.app"}));
    EXPECT_EQ(rowTexts(launchAppRows), (QStringList{"Editor", "Browser"}));
    EXPECT_TRUE(setUpButton->isVisibleTo(editor));

    // Return adds nothing; blanks add nothing and stay; spaces and tabs are trimmed; duplicates are kept.
    type(urlField, QStringLiteral("   "));
    QTest::keyClick(urlField, Qt::Key_Return);
    addURLButton->click();
    EXPECT_EQ(urlField->text(), "   ");
    EXPECT_TRUE(store->meta(id).automation->openURLs.isEmpty());
    type(urlField, QStringLiteral("  https://example.org\t"));
    QTest::keyClick(urlField, Qt::Key_Return);
    EXPECT_TRUE(store->meta(id).automation->openURLs.isEmpty());
    addURLButton->click();
    type(urlField, QStringLiteral("https://example.org"));
    addURLButton->click();
    EXPECT_EQ(store->meta(id).automation->openURLs, (QStringList{"https://example.org", "https://example.org"}));
    EXPECT_EQ(urlField->text(), "");

    // Removing takes every equal entry; the last app and URL gone hide the setup button.
    clickRemove(control<QWidget>(editor, "urlRows"), 0);
    EXPECT_TRUE(store->meta(id).automation->openURLs.isEmpty());
    clickRemove(launchAppRows, 0);
    clickRemove(launchAppRows, 0);
    EXPECT_EQ(store->meta(id).automation, std::nullopt);
    EXPECT_FALSE(setUpButton->isVisibleTo(editor));
}

TEST_F(SpaceEditorTest, TheSetupSavesBeforeItRuns)
{
    std::vector<std::optional<SpaceAutomation>> seen;
    services->onRunSetup = [&](const Space& s) { seen.push_back(store->meta(s.id).automation); };
    SpaceEditor* editor = edit(3);
    type(control<QLineEdit>(editor, "urlField"), QStringLiteral("https://example.org"));
    control<QPushButton>(editor, "addURLButton")->click();
    type(control<QLineEdit>(editor, "enterCommandField"), QStringLiteral("say hi"));
    control<QPushButton>(editor, "setUpButton")->click();
    ASSERT_EQ(seen.size(), 1u);
    ASSERT_TRUE(seen[0]);
    EXPECT_EQ(seen[0]->scriptOnEnter, QStringLiteral("say hi"));
    EXPECT_EQ(seen[0]->openURLs, QStringList{"https://example.org"});
}

TEST_F(SpaceEditorTest, PinnedAppsNeedABundleIdentifier)
{
    SpaceEditor* editor = edit(3);
    const QString id = space(3).id;
    panels.openAnswers.push_back(QStringList{"/Applications/Nothing.app", "/Applications/Mail.app", "/Applications/Mail.app"});
    control<QPushButton>(editor, "addPinnedAppButton")->click();
    EXPECT_EQ(store->meta(id).automation->pinnedApps, QStringList{"org.example.mail"});
    EXPECT_EQ(rowTexts(control<QWidget>(editor, "pinnedRows")), QStringList{"Mail"});
    SpaceAutomation automation = *store->meta(id).automation;
    automation.pinnedApps.append(QStringLiteral("org.example.uninstalled"));
    store->setAutomation(automation, id);
    SpaceEditor* again = edit(2);
    Q_UNUSED(again);
    editor = edit(3);
    EXPECT_EQ(rowTexts(control<QWidget>(editor, "pinnedRows")), (QStringList{"Mail", "org.example.uninstalled"}));
}

TEST_F(SpaceEditorTest, TogglesPickersAndReturnFieldsFollowTheirSaveMoments)
{
    SpaceEditor* editor = edit(3);
    const QString id = space(3).id;
    // A command typed without Return is written by a toggle's save.
    type(control<QLineEdit>(editor, "enterCommandField"), QStringLiteral("make build"));
    EXPECT_EQ(store->meta(id).automation, std::nullopt);
    control<QCheckBox>(editor, "hideOthersToggle")->click();
    EXPECT_EQ(store->meta(id).automation->scriptOnEnter, QStringLiteral("make build"));
    EXPECT_TRUE(store->meta(id).automation->hideOtherApps);

    // Keystroke: empty on Return is absent, a single space is kept.
    typeAndReturn(control<QLineEdit>(editor, "keystrokeField"), QStringLiteral(" "));
    EXPECT_EQ(store->meta(id).automation->keystrokeOnEnter, QStringLiteral(" "));
    typeAndReturn(control<QLineEdit>(editor, "keystrokeField"), QString());
    EXPECT_EQ(store->meta(id).automation->keystrokeOnEnter, std::nullopt);

    // Brave: its identifier and the profile row; None hides the row and keeps the folder stored.
    QComboBox* browserPicker = control<QComboBox>(editor, "browserPicker");
    browserPicker->setCurrentIndex(browserPicker->findText("Brave"));
    EXPECT_EQ(store->meta(id).automation->browserApp, QStringLiteral("com.brave.Browser"));
    EXPECT_TRUE(control<QWidget>(editor, "profileRow")->isVisibleTo(editor));
    typeAndReturn(control<QLineEdit>(editor, "profileField"), QStringLiteral("Profile 2"));
    browserPicker->setCurrentIndex(0);
    EXPECT_EQ(store->meta(id).automation->browserApp, std::nullopt);
    EXPECT_EQ(store->meta(id).automation->browserProfile, QStringLiteral("Profile 2"));
    EXPECT_FALSE(control<QWidget>(editor, "profileRow")->isVisibleTo(editor));

    // The leave command on Return.
    typeAndReturn(control<QLineEdit>(editor, "leaveCommandField"), QStringLiteral("shortcuts run 'Focus Off'"));
    EXPECT_EQ(store->meta(id).automation->scriptOnLeave, QStringLiteral("shortcuts run 'Focus Off'"));

    // An unknown stored browser matches no row and stays.
    SpaceAutomation automation = *store->meta(id).automation;
    automation.browserApp = QStringLiteral("org.example.other");
    store->setAutomation(automation, id);
    editor = edit(2);
    editor = edit(3);
    EXPECT_EQ(control<QComboBox>(editor, "browserPicker")->currentIndex(), -1);
    control<QCheckBox>(editor, "onlyIfEmptyToggle")->click();
    EXPECT_EQ(store->meta(id).automation->browserApp, QStringLiteral("org.example.other"));
}

TEST_F(SpaceEditorTest, RunShortcutIsAFieldUntilAListArrivesThenAPicker)
{
    world->shortcuts().names = QStringList{"Focus On", "Music"};
    SpaceAutomation automation;
    automation.shortcutOnLeave = QStringLiteral("Old One");
    store->setAutomation(automation, space(3).id);
    SpaceEditor* editor = edit(3);
    ShortcutChooser* enterShortcut = control<ShortcutChooser>(editor, "enterShortcut");
    ShortcutChooser* leaveShortcut = control<ShortcutChooser>(editor, "leaveShortcut");
    ASSERT_FALSE(enterShortcut->isPicker());
    EXPECT_EQ(enterShortcut->field()->placeholderText(), "Shortcut name, exactly as in the Shortcuts app");
    // Every keystroke is written while it is a field.
    QTest::keyClicks(enterShortcut->field(), QStringLiteral("Fo"));
    EXPECT_EQ(store->meta(space(3).id).automation->shortcutOnEnter, QStringLiteral("Fo"));

    arriveShortcuts();
    ASSERT_TRUE(enterShortcut->isPicker());
    // The names listed, after the typed one the list lacks.
    QComboBox* enter = enterShortcut->picker();
    QStringList offered;
    for (int i = 0; i < enter->count(); ++i)
        offered << enter->itemText(i);
    EXPECT_EQ(offered, (QStringList{"None", "Fo", "Focus On", "Music"}));
    EXPECT_EQ(enter->currentText(), "Fo");
    QComboBox* leave = leaveShortcut->picker();
    ASSERT_NE(leave, nullptr);
    EXPECT_EQ(leave->itemText(0), "None");
    EXPECT_EQ(leave->itemText(1), "Old One");
    EXPECT_EQ(leave->currentText(), "Old One");
    leave->setCurrentIndex(leave->findText("Music"));
    EXPECT_EQ(store->meta(space(3).id).automation->shortcutOnLeave, QStringLiteral("Music"));
    leaveShortcut->picker()->setCurrentIndex(0);
    EXPECT_EQ(store->meta(space(3).id).automation->shortcutOnLeave, std::nullopt);
}

TEST_F(SpaceEditorTest, AListArrivingForAnEditorThatWentChangesNothing)
{
    world->shortcuts().names = QStringList{"Focus On"};
    SpaceEditor* first = edit(3);
    QPointer<SpaceEditor> gone(first);
    SpaceEditor::shortcutQueue().waitUntilIdle(); // the list is on its way to the main thread
    SpaceEditor* second = edit(2);
    EXPECT_TRUE(gone.isNull());
    arriveShortcuts();
    EXPECT_TRUE(control<ShortcutChooser>(second, "enterShortcut")->isPicker());

    // Without the tool both stay fields for good.
    world->shortcuts().names.reset();
    SpaceEditor* third = edit(1);
    arriveShortcuts();
    EXPECT_FALSE(control<ShortcutChooser>(third, "enterShortcut")->isPicker());
    EXPECT_FALSE(control<ShortcutChooser>(third, "leaveShortcut")->isPicker());
}

TEST_F(SpaceEditorTest, AListStillBeingReadWhenTheWindowGoesPostsNothing)
{
    // The listing runs on a queue that outlives every editor, and a test's clock with it: a listing that ends
    // after the window went must not reach for the clock at all.
    world->shortcuts().names = QStringList{"Focus On"};
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    SpaceEditor::shortcutQueue().async([released] { released.wait(); });
    ASSERT_NE(edit(3), nullptr);
    controller.reset();
    scheduler.runPending();
    const std::size_t before = scheduler.pendingCount();
    release.set_value();
    SpaceEditor::shortcutQueue().waitUntilIdle();
    EXPECT_EQ(scheduler.pendingCount(), before);
}

} // namespace
