#include "Core/Profiles/ProfileStore.h"
#include "Core/Shell/SetupCheck.h"
#include "Platform/Sim/SimServices.h"
#include "UI/Settings/BackupPane.h"
#include "UI/Settings/SetupPane.h"
#include "tests/UI/PaneTesting.h"
#include "tests/UI/SettingsWorld.h"

#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace lumivast;
using lumivast::test::shown;
namespace K = Settings::Key;

namespace {

// The checklist's timing as the product defines it, written out so a changed constant fails.
constexpr Duration kChecklistInterval = 2000ms; // the checklist is evaluated again this often while it shows

class SetupPaneTest : public test::SettingsWorldTest {
protected:
    SetupPane* open()
    {
        controller->show(SettingsTab::setup);
        return pane<SetupPane>();
    }
    static bool green(SetupPane* setup, const QString& id)
    {
        return test::hasPixel(setup->statusIcon(id)->grab().toImage(), test::isGreen);
    }
};

TEST_F(SetupPaneTest, RowsTurnGreenWithinOneTickAndFixesOnlyRunTheFix)
{
    world->accessibilityTrusted = false;
    SetupPane* setup = open();
    ASSERT_NE(setup, nullptr);
    ASSERT_EQ(setup->checks().size(), 5u);
    EXPECT_FALSE(green(setup, "ax"));
    EXPECT_TRUE(test::hasPixel(setup->statusIcon("ax")->grab().toImage(), test::isOrange));
    EXPECT_TRUE(shown(setup->fixButton("ax"), setup));
    EXPECT_EQ(setup->fixButton("ax")->text(), "Grant\u2026");
    EXPECT_TRUE(green(setup, "hotkeys"));
    EXPECT_FALSE(shown(setup->fixButton("hotkeys"), setup)); // passed: no button, though it has a fix
    EXPECT_TRUE(test::findByText<QLabel>(setup, "Needed to switch Spaces and move windows."));

    // A fix runs once and nothing is evaluated until the next tick.
    setup->fixButton("ax")->click();
    EXPECT_EQ(world->accessibilityPrompts(), 1);
    EXPECT_EQ(world->openedURLs().size(), 1);
    world->accessibilityTrusted = true;
    EXPECT_FALSE(green(setup, "ax"));
    scheduler.advance(kChecklistInterval);
    EXPECT_TRUE(green(setup, "ax"));
    EXPECT_FALSE(shown(setup->fixButton("ax"), setup));
    EXPECT_EQ(world->accessibilityPrompts(), 1);

    // Turning a setting back shows at the next tick.
    world->preferenceDomain(SetupCheck::kDockDomain).set(SetupCheck::kMostRecentSpacesKey, false);
    scheduler.advance(kChecklistInterval);
    EXPECT_TRUE(green(setup, "mru"));
    world->preferenceDomain(SetupCheck::kDockDomain).set(SetupCheck::kMostRecentSpacesKey, true);
    scheduler.advance(kChecklistInterval);
    EXPECT_FALSE(green(setup, "mru"));
}

TEST_F(SetupPaneTest, ComingBackEvaluatesAtOnce)
{
    SetupPane* setup = open();
    EXPECT_TRUE(green(setup, "ax"));
    clickTab(SettingsTab::backup);
    world->accessibilityTrusted = false;
    clickTab(SettingsTab::setup);
    EXPECT_FALSE(green(pane<SetupPane>(), "ax"));
    EXPECT_TRUE(shown(pane<SetupPane>()->fixButton("ax"), pane<SetupPane>()));
}

class BackupPaneTest : public test::SettingsWorldTest {
protected:
    BackupPane* open()
    {
        controller->show(SettingsTab::backup);
        return pane<BackupPane>();
    }
    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = home.path(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
};

TEST_F(BackupPaneTest, ARoundTripBringsBackWhatTheFileHoldsAndKeepsTheRest)
{
    Settings::defaults().set(K::hudDuration, 2.0);
    Settings::defaults().set(K::menuBarStyle, "dots");
    store->setNote("inbox zero", space(3).id);
    BackupPane* backup = open();

    const QString path = home.path("Lumivast Settings.json");
    panels.saveAnswers.push_back(path);
    backup->exportButton()->click();
    EXPECT_EQ(panels.saved.back().suggestedName, "Lumivast Settings.json");
    EXPECT_EQ(panels.saved.back().allowedKinds, std::vector<FileKind>{FileKind::json});
    EXPECT_EQ(backup->outcome(), "Exported to Lumivast Settings.json.");

    Settings::defaults().set(K::hudDuration, 1.0);
    Settings::defaults().set(K::menuBarStyle, "name");
    Settings::defaults().set(K::overviewOrder, QJsonArray{"x"}); // the file holds no arrangement
    store->setName("Renamed", space(2).id);
    store->setNote(std::nullopt, space(3).id);

    panels.openAnswers.push_back(QStringList{path});
    backup->importButton()->click();
    EXPECT_EQ(backup->outcome(), "Imported Lumivast Settings.json.");
    EXPECT_EQ(Settings::defaults().object(K::hudDuration), QJsonValue(2.0));
    EXPECT_EQ(Settings::defaults().object(K::menuBarStyle), QJsonValue("dots"));
    EXPECT_EQ(Settings::defaults().object(K::overviewOrder), QJsonValue(QJsonArray{"x"}));
    EXPECT_EQ(store->meta(space(2).id).name, "Work");
    EXPECT_EQ(store->meta(space(3).id).note, "inbox zero");

    // A profiles file is no backup: nothing changes.
    ProfileStore(*store, scheduler, AppPaths::file("profiles.json")).saveCurrent("Home");
    Settings::defaults().set(K::hudDuration, 1.5);
    panels.openAnswers.push_back(QStringList{AppPaths::file("profiles.json")});
    backup->importButton()->click();
    EXPECT_EQ(backup->outcome(), "That file is not a Lumivast export.");
    EXPECT_EQ(Settings::defaults().object(K::hudDuration), QJsonValue(1.5));
    EXPECT_EQ(store->meta(space(2).id).name, "Work");

    // Unreadable reads the same; a cancelled panel keeps the message.
    panels.openAnswers.push_back(QStringList{home.path("missing.json")});
    backup->importButton()->click();
    EXPECT_EQ(backup->outcome(), "That file is not a Lumivast export.");
    Settings::defaults().set(K::hudDuration, 2.5);
    backup->importButton()->click();
    backup->exportButton()->click();
    EXPECT_EQ(backup->outcome(), "That file is not a Lumivast export.");
    EXPECT_EQ(Settings::defaults().object(K::hudDuration), QJsonValue(2.5));
}

TEST_F(BackupPaneTest, AFailedExportIsReportedAndLeavesAnEarlierBackupWhole)
{
    BackupPane* backup = open();
    const QString earlier = writeFile(QString(250, QLatin1Char('b')) + ".json", "earlier backup");
    panels.saveAnswers.push_back(earlier);
    backup->exportButton()->click();
    ASSERT_TRUE(backup->outcome());
    EXPECT_TRUE(backup->outcome()->startsWith("Export failed: ")) << backup->outcome()->toStdString();
    EXPECT_GT(backup->outcome()->size(), QString("Export failed: ").size());
    QFile kept(earlier);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "earlier backup");

    writeFile("not-a-folder", "x");
    panels.saveAnswers.push_back(home.path("not-a-folder/Lumivast Settings.json"));
    backup->exportButton()->click();
    EXPECT_TRUE(backup->outcome()->startsWith("Export failed: "));
}

TEST_F(BackupPaneTest, SupportToolsDiagnosticsDataFolderAndPreviews)
{
    BackupPane* backup = open();
    auto& board = world->pasteboard();
    board.setString("something older");
    backup->diagnosticsButton()->click();
    EXPECT_EQ(board.clears, 1);
    ASSERT_TRUE(board.text);
    EXPECT_TRUE(board.text->startsWith("Lumivast "));
    EXPECT_TRUE(board.text->contains("Displays: 2, Spaces: 4"));
    EXPECT_EQ(backup->outcome(), "Diagnostics copied. Paste them into your support email.");

    backup->dataFolderButton()->click();
    EXPECT_EQ(world->shownInFileManager(), QStringList{AppPaths::supportDirectory()});
    EXPECT_EQ(backup->outcome(), "Diagnostics copied. Paste them into your support email."); // unchanged
    EXPECT_EQ(backup->dataFolderButton()->text(), "Show Data Folder in Finder");

    bool captured = false;
    QDir().mkpath(thumbnails->directory()); // the program makes it; the service only writes into it
    thumbnails->captureActiveSpacesNow(watcher->snapshot(), [&] { captured = true; });
    for (int i = 0; i < 50 && !captured; ++i) {
        scheduler.advance(100ms);
        QCoreApplication::processEvents();
    }
    ASSERT_FALSE(thumbnails->images().empty());
    const auto file = thumbnails->filePath(thumbnails->images().begin()->first);
    ASSERT_TRUE(file && QFile::exists(*file));
    backup->clearPreviewsButton()->click();
    EXPECT_TRUE(thumbnails->images().empty());
    EXPECT_FALSE(QFile::exists(*file));
    EXPECT_EQ(backup->outcome(), "Previews cleared.");
    backup->clearPreviewsButton()->click();
    EXPECT_EQ(backup->outcome(), "Previews cleared.");
    EXPECT_TRUE(backup->clearPreviewsButton()->property("destructive").toBool());

    // The message belongs to this showing of the tab.
    clickTab(SettingsTab::setup);
    clickTab(SettingsTab::backup);
    EXPECT_EQ(pane<BackupPane>()->outcome(), std::nullopt);
}

} // namespace
