#include "App/AppDelegate.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/AppPaths.h"
#include "Platform/Sim/SimScreenCapture.h"
#include "tests/support/FakeAlertService.h"
#include "tests/support/FakeStatusItem.h"
#include "tests/support/SimWorldTest.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

using namespace lumivast;
namespace K = Settings::Key;

namespace {

class PreviewWiringTest : public test::SimWorldTest {
protected:
    void launch()
    {
        delegate = std::make_unique<AppDelegate>(scheduler, alerts, statusItem, QStringList{QStringLiteral("lumivast")});
        launchedAt = scheduler.now();
        delegate->applicationDidFinishLaunching();
    }
    // Moves the clock to `at` after launch.
    void until(Duration at) { scheduler.advance(launchedAt + at - scheduler.now()); }
    std::size_t captures() const { return world->screenCapture().imageRequests.size(); }
    QString currentID() const { return delegate->watcher().snapshot().currentSpace()->id; }
    static void seed(const QString& id)
    {
        QImage image(64, 40, QImage::Format_RGB32);
        image.fill(Qt::blue);
        ASSERT_TRUE(image.save(AppPaths::thumbnailsDirectory() + "/" + id + ".jpg", "JPEG"));
    }

    test::FakeAlertService alerts;
    test::FakeStatusItem statusItem;
    std::unique_ptr<AppDelegate> delegate;
    Duration launchedAt{};
};

} // namespace

TEST_F(PreviewWiringTest, LaunchCapturesAfterTheFirstChangeAndAgainAfterOneAndAHalfSeconds)
{
    launch();
    until(599ms);
    EXPECT_EQ(captures(), 0u);
    until(601ms);
    EXPECT_EQ(captures(), 1u); // the first snapshot counts as a switch
    until(1499ms);
    EXPECT_EQ(captures(), 1u);
    until(1501ms);
    EXPECT_EQ(captures(), 2u);
    EXPECT_TRUE(delegate->thumbnails().images().contains(currentID()));
}

TEST_F(PreviewWiringTest, ASwitchIsCapturedSixTenthsOfASecondLater)
{
    launch();
    until(2s);
    const std::size_t before = captures();
    const QDateTime asked = scheduler.wallNow();
    delegate->handleURL(QStringLiteral("lumivast://switch/2"));
    scheduler.advance(150ms); // the Dock lands the switch and the watcher publishes it
    const QString desktop2 = currentID();
    ASSERT_EQ(delegate->watcher().snapshot().currentSpace()->desktopNumber, 2);
    const QString file = AppPaths::thumbnailsDirectory() + "/" + desktop2 + ".jpg";
    EXPECT_FALSE(QFile::exists(file));
    scheduler.advance(650ms);
    EXPECT_EQ(captures(), before + 1);
    EXPECT_TRUE(QFile::exists(file));
    const QDateTime taken = delegate->thumbnails().capturedAt().at(desktop2);
    EXPECT_GE(asked.msecsTo(taken), 600);
    EXPECT_LE(asked.msecsTo(taken), 800);

    // After a restart the preview is held again, dated by its file.
    delegate.reset();
    launch();
    EXPECT_TRUE(delegate->thumbnails().images().contains(desktop2));
    EXPECT_EQ(delegate->thumbnails().capturedAt().at(desktop2), QFileInfo(file).lastModified().toUTC());
}

TEST_F(PreviewWiringTest, EachSnapshotPrunesPreviewsOfSpacesThatAreGone)
{
    seed(QStringLiteral("GONE"));
    seed(QStringLiteral("managed-42"));
    const QString kept = world->displays[0].spaces[1].uuid.value();
    seed(kept);
    launch();
    const auto& images = delegate->thumbnails().images();
    EXPECT_FALSE(images.contains("GONE"));
    EXPECT_FALSE(QFile::exists(AppPaths::thumbnailsDirectory() + "/GONE.jpg"));
    EXPECT_TRUE(images.contains("managed-42"));
    EXPECT_TRUE(images.contains(kept));

    // A Space that goes away loses its preview at the next snapshot.
    world->displays[0].spaces.erase(world->displays[0].spaces.begin() + 1);
    world->postWorkspaceEvent(WorkspaceEvent::ActiveSpaceDidChange);
    scheduler.advance(200ms);
    EXPECT_FALSE(delegate->thumbnails().images().contains(kept));
}

TEST_F(PreviewWiringTest, RefreshTimerRestartsOnlyWhenItsIntervalChanges)
{
    launch();
    until(2s); // past the launch captures
    const std::size_t base = captures();
    until(30s);
    EXPECT_EQ(captures(), base + 1);

    // An unrelated setting keeps the phase.
    until(45s);
    Settings::defaults().set(K::hudEnabled, false);
    until(60s);
    EXPECT_EQ(captures(), base + 2);

    // A new interval restarts the timer from now.
    until(75s);
    Settings::defaults().set(K::thumbnailRefreshInterval, 60.0);
    until(134s);
    EXPECT_EQ(captures(), base + 2);
    until(135s);
    EXPECT_EQ(captures(), base + 3);

    // Previews off: no timer; on again with an interval of 0: still none.
    Settings::defaults().set(K::thumbnailsEnabled, false);
    Settings::defaults().set(K::thumbnailRefreshInterval, 0.0);
    Settings::defaults().set(K::thumbnailsEnabled, true);
    until(400s);
    EXPECT_EQ(captures(), base + 3);

    // And back to 30 s.
    Settings::defaults().set(K::thumbnailRefreshInterval, 30.0);
    until(430s);
    EXPECT_EQ(captures(), base + 4);
}

TEST_F(PreviewWiringTest, RefreshPreviewsFromTheStatusMenuCapturesATenthOfASecondLater)
{
    launch();
    until(2s);
    const std::size_t before = captures();
    ASSERT_TRUE(delegate->statusBar());
    bool chosen = false;
    for (const MenuItem& item : delegate->statusBar()->menuTree()) {
        if (item.title == QStringLiteral("Refresh Previews")) {
            item.action();
            chosen = true;
        }
    }
    ASSERT_TRUE(chosen);
    scheduler.advance(99ms);
    EXPECT_EQ(captures(), before);
    scheduler.advance(2ms);
    EXPECT_EQ(captures(), before + 1);
}

TEST_F(PreviewWiringTest, ATinyRefreshIntervalFromAFileIsHeldToASecond)
{
    launch();
    until(2s);
    const std::size_t base = captures();
    Settings::defaults().set(K::thumbnailRefreshInterval, 1e-300); // as a settings file or backup may hold it
    until(12s);
    EXPECT_GE(captures(), base + 1);
    EXPECT_LE(captures(), base + 11) << "more than one capture a second";
}
