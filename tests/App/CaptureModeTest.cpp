#include "App/CaptureMode.h"

#include "Core/Settings/Settings.h"
#include "Core/Spaces/AppPaths.h"
#include "Platform/Sim/SimScreenCapture.h"
#include "tests/support/SimWorldTest.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

const QString kDesktop1 = QStringLiteral("0A4E2F1C-5B7D-4C1E-9F3A-1D2C3B4A5E61");
const QString kStudio = QStringLiteral("B3E4F5A6-5B6C-4D7E-AF90-4A5B6C7D8E94");

class CaptureModeTest : public test::SimWorldTest {
protected:
    CaptureModeTest() { useFixture("previews.json"); }

    void useFixture(const char* name)
    {
        QString error;
        auto w = SimWorld::fromFile(test::fixture(QStringLiteral("worlds/") + name), &error);
        ASSERT_TRUE(w) << error.toStdString();
        install(w);
    }
    int run()
    {
        lines.clear();
        const Duration start = scheduler.now();
        CaptureModeIO io;
        io.print = [this](const QString& line) { lines << line; };
        io.wait = [this](Duration d) { scheduler.advance(d); };
        const int code = runCaptureMode(scheduler, io);
        elapsed = scheduler.now() - start;
        return code;
    }
    QString folder() const { return AppPaths::thumbnailsDirectory(); }
    QString captured(const QString& id, const char* size) const
    {
        return QStringLiteral("captured ") + id + ": " + size + " -> " + folder() + "/" + id + ".jpg";
    }

    QStringList lines;
    Duration elapsed{};
};

} // namespace

TEST_F(CaptureModeTest, CapturesEachDisplaysActiveSpace)
{
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(lines, QStringList({"screen recording granted: true", captured(kDesktop1, "1280x831"), captured(kStudio, "1280x800")}));
    EXPECT_EQ(QImageReader(folder() + "/" + kDesktop1 + ".jpg").size(), QSize(1280, 831));
    EXPECT_EQ(QImageReader(folder() + "/" + kStudio + ".jpg").size(), QSize(1280, 800));
    // The defaults were registered first, so previews count as on.
    EXPECT_TRUE(Settings::defaults().boolValue(Settings::Key::thumbnailsEnabled));
}

TEST_F(CaptureModeTest, ReportsWhyThereIsNoImage)
{
    struct Row {
        const char* name;
        std::function<void(SimWorld&)> arrange;
        QStringList expected;
    };
    const Row rows[] = {
        {"denied", [](SimWorld& w) { w.screenRecordingGranted = false; },
         {"screen recording granted: false", "no image for " + kDesktop1 + ": screen recording not granted",
          "no image for " + kStudio + ": screen recording not granted"}},
        {"image fails", [](SimWorld& w) { w.screenCapture().imageError = QStringLiteral("The stream failed"); },
         {"screen recording granted: true", "no image for " + kDesktop1 + ": The stream failed",
          "no image for " + kStudio + ": The stream failed"}},
        // The second display missing from the content ends its capture without an error of its own.
        {"display left out", [](SimWorld& w) { w.screenCapture().omittedDisplays = {w.displays[1].uuid}; },
         {"screen recording granted: true", "captured " + kDesktop1 + ": 1280x831 -> " + AppPaths::thumbnailsDirectory() + "/" + kDesktop1 + ".jpg",
          "no image for " + kStudio + ": no error recorded"}},
    };
    for (const Row& row : rows) {
        useFixture("previews.json");
        QDir(folder()).removeRecursively();
        row.arrange(*world);
        EXPECT_EQ(run(), 0) << row.name;
        EXPECT_EQ(lines, row.expected) << row.name;
    }
}

TEST_F(CaptureModeTest, WithoutASnapshotItSaysSo)
{
    useFixture("no-spaces-list.json");
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(lines, QStringList({"screen recording granted: false", "no snapshot"}));
}

TEST_F(CaptureModeTest, PreviewsOffStillReportStoredOnes)
{
    QImage stored(640, 415, QImage::Format_RGB32);
    stored.fill(Qt::red);
    ASSERT_TRUE(stored.save(folder() + "/" + kDesktop1 + ".jpg", "JPEG"));
    Settings::registerDefaults();
    Settings::defaults().set(Settings::Key::thumbnailsEnabled, false);
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(lines, QStringList({"screen recording granted: true", captured(kDesktop1, "640x415"),
                                  "no image for " + kStudio + ": no error recorded"}));
    EXPECT_TRUE(world->screenCapture().contentRequests.empty());
}

TEST_F(CaptureModeTest, AFileThatCannotBeWrittenIsNotReportedAsCaptured)
{
    QDir(folder()).mkpath(kStudio + ".jpg"); // a folder where the file should go
    EXPECT_EQ(run(), 0);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[1], captured(kDesktop1, "1280x831"));
    EXPECT_TRUE(lines[2].startsWith("no image for " + kStudio + ": ")) << lines[2].toStdString();
    EXPECT_GT(lines[2].size(), QString("no image for " + kStudio + ": ").size());
    EXPECT_TRUE(QFileInfo(folder() + "/" + kStudio + ".jpg").isDir());
}

TEST_F(CaptureModeTest, GivesUpAfterThirtySeconds)
{
    world->screenCapture().delay = 40s;
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(lines, QStringList({"screen recording granted: true", "no image for " + kDesktop1 + ": no answer within 30 s",
                                  "no image for " + kStudio + ": no answer within 30 s"}));
    EXPECT_GE(elapsed, 30s);
    EXPECT_LT(elapsed, 31s);
}
