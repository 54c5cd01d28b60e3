#include "Core/Spaces/AppPaths.h"
#include "Platform/Sim/SimServices.h"
#include "UI/Panels/Panel.h"
#include "UI/Settings/GeneralPane.h"
#include "UI/Settings/SpaceEditor.h"
#include "UI/Settings/SpacesPane.h"
#include "UI/Settings/WindowsPane.h"
#include "tests/App/DelegateWiringTest.h"
#include "tests/support/Controls.h"
#include "tests/support/FakeFilePanels.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace lumivast;
using test::control;
namespace K = Settings::Key;

namespace {

class SettingsWiringTest : public test::DelegateWiringTest {
protected:
    void launch(QStringList arguments = {"lumivast"})
    {
        DelegateWiringTest::launch(std::move(arguments));
        delegate->settingsServices().panels = &panels;
        scheduler.advance(100ms);
    }
    void TearDown() override
    {
        SpaceEditor::shortcutQueue().waitUntilIdle();
        delegate.reset();
    }
    SettingsWindow* window() { return delegate->settingsWindow().window(); }
    template <typename Pane>
    Pane* pane()
    {
        return window() ? qobject_cast<Pane*>(window()->pane()) : nullptr;
    }

    test::FakeFilePanels panels;
};

TEST_F(SettingsWiringTest, SettingsArgumentOpensTheSpacesTabHalfASecondAfterLaunch)
{
    launch({"lumivast", "--settings", "spaces"});
    EXPECT_TRUE(!window() || !window()->isVisible());
    scheduler.advance(400ms);
    ASSERT_NE(window(), nullptr);
    EXPECT_TRUE(window()->isVisible());
    EXPECT_EQ(window()->windowTitle(), "Lumivast Settings");
    SpacesPane* spaces = pane<SpacesPane>();
    ASSERT_NE(spaces, nullptr);
    ASSERT_NE(spaces->editor(), nullptr);
    EXPECT_EQ(spaces->editor()->space().id, "S1"); // the menu-bar display's active Space
}

TEST_F(SettingsWiringTest, AnArgumentThatNamesNoTabOpensNothing)
{
    launch({"lumivast", "--settings", "Time"});
    scheduler.advance(2s);
    EXPECT_EQ(window(), nullptr);
}

TEST_F(SettingsWiringTest, TheURLTheReopenAndTheMenuBringTheWindowForward)
{
    launch();
    delegate->handleURL(QStringLiteral("lumivast://settings"));
    scheduler.runPending();
    ASSERT_NE(window(), nullptr);
    EXPECT_TRUE(window()->isVisible());
    EXPECT_FALSE(lastToast().contains(QStringLiteral("cannot open")));
    window()->close();
    delegate->applicationShouldHandleReopen();
    EXPECT_TRUE(window()->isVisible());
    window()->close();
    choose(QString::fromUtf8("Settings\u2026"));
    EXPECT_TRUE(window()->isVisible());
    EXPECT_EQ(delegate->settingsWindow().navigation().tab(), SettingsTab::general);

    choose(QString::fromUtf8("Note, Icon and Automation\u2026"));
    EXPECT_EQ(delegate->settingsWindow().navigation().tab(), SettingsTab::spaces);
    EXPECT_EQ(delegate->settingsWindow().navigation().selectedSpaceID(), QStringLiteral("S1"));
}

TEST_F(SettingsWiringTest, TheCopiedTokenIsTheAPIsAndItsFileIsMade)
{
    launch();
    home.defaults().set(K::localAPI, true);
    delegate->settingsWindow().show(SettingsTab::general);
    GeneralPane* general = pane<GeneralPane>();
    ASSERT_NE(general, nullptr);
    const QString tokenFile = AppPaths::file(QStringLiteral("api-token.txt"));
    QFile::remove(tokenFile);
    general->copyTokenButton()->click();
    ASSERT_TRUE(QFile::exists(tokenFile));
    const QString copied = world->pasteboard().text.value_or(QString());
    EXPECT_FALSE(copied.isEmpty());
    EXPECT_EQ(copied, LocalAPI::token());
    general->copyTokenButton()->click();
    EXPECT_EQ(world->pasteboard().text, copied);
}

TEST_F(SettingsWiringTest, ARenameElsewhereSurvivesTheEditorsSave)
{
    launch();
    delegate->settingsWindow().show(SettingsTab::spaces, QStringLiteral("S2"));
    SpaceEditor* editor = pane<SpacesPane>()->editor();
    ASSERT_NE(editor, nullptr);
    delegate->handleURL(QStringLiteral("lumivast://rename/2?name=Research"));
    scheduler.runPending();
    ASSERT_EQ(delegate->store().meta(QStringLiteral("S2")).name, QStringLiteral("Research"));
    editor = pane<SpacesPane>()->editor(); // the same editor, the snapshot signal notwithstanding
    control<QLineEdit>(editor, "noteField")->selectAll();
    QTest::keyClicks(control<QLineEdit>(editor, "noteField"), QStringLiteral("Papers"));
    QTest::keyClick(control<QLineEdit>(editor, "noteField"), Qt::Key_Return);
    window()->close();
    EXPECT_EQ(delegate->store().meta(QStringLiteral("S2")).name, QStringLiteral("Research"));
    EXPECT_EQ(delegate->store().meta(QStringLiteral("S2")).note, QStringLiteral("Papers"));
}

TEST_F(SettingsWiringTest, TheSpaceDockToggleShowsTheDockThroughTheSettingsReaction)
{
    launch();
    delegate->settingsWindow().show(SettingsTab::windows);
    WindowsPane* windows = pane<WindowsPane>();
    ASSERT_NE(windows, nullptr);
    QCheckBox* toggle = nullptr;
    for (auto* box : windows->findChildren<SettingToggle*>()) {
        if (box->key() == K::spaceDock)
            toggle = box;
    }
    ASSERT_NE(toggle, nullptr);
    toggle->click();
    scheduler.runPending();
    ASSERT_NE(delegate->spaceDock().panel(), nullptr);
    EXPECT_TRUE(delegate->spaceDock().panel()->isVisible());
    toggle->click();
    scheduler.advance(1s);
    EXPECT_FALSE(delegate->spaceDock().panel()->isVisible());
}

TEST_F(SettingsWiringTest, TheSetupHookRunsTheSpacesAutomation)
{
    launch();
    delegate->settingsWindow().show(SettingsTab::spaces, QStringLiteral("S3"));
    SpaceEditor* editor = pane<SpacesPane>()->editor();
    ASSERT_NE(editor, nullptr);
    panels.openAnswers.push_back(QStringList{QStringLiteral("/Applications/Player.app")});
    control<QPushButton>(editor, "addLaunchAppButton")->click();
    control<QPushButton>(editor, "setUpButton")->click();
    scheduler.advance(1s);
    bool running = false;
    for (const SimWorld::App& app : world->apps)
        running |= app.bundleID == "org.example.player" && app.running;
    EXPECT_TRUE(running);
}

} // namespace
