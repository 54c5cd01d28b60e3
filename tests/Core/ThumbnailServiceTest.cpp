#include "Core/Previews/ThumbnailService.h"

#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceProvider.h"
#include "Platform/Sim/SimScreenCapture.h"
#include "tests/support/SimWorldTest.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace lumivast;
namespace K = Settings::Key;

namespace {

const QString kDesktop1 = QStringLiteral("0A4E2F1C-5B7D-4C1E-9F3A-1D2C3B4A5E61");
const QString kDesktop2 = QStringLiteral("6F1B8E2D-3C4A-4B5E-8D7F-2E3F4A5B6C72");
const QString kStudio = QStringLiteral("B3E4F5A6-5B6C-4D7E-AF90-4A5B6C7D8E94");

class ThumbnailServiceTest : public test::SimWorldTest {
protected:
    ThumbnailServiceTest()
    {
        Settings::registerDefaults();
        QString error;
        auto w = SimWorld::fromFile(test::fixture(QStringLiteral("worlds/previews.json")), &error);
        EXPECT_TRUE(w) << error.toStdString();
        if (w)
            install(w);
        folder = home.path(QStringLiteral("Thumbnails"));
        QDir().mkpath(folder);
    }

    std::unique_ptr<ThumbnailService> makeService() { return std::make_unique<ThumbnailService>(scheduler, folder); }
    SpaceSnapshot snapshot() { return *SpaceProvider::snapshot(scheduler); }
    SimScreenCapture& capture() { return world->screenCapture(); }
    QString file(const QString& id) const { return folder + QLatin1Char('/') + id + QStringLiteral(".jpg"); }
    static void writeImage(const QString& path, QSize size)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        ASSERT_TRUE(image.save(path, "JPEG"));
    }
    // Captures with no delay and lets every answer arrive.
    void captureNow(ThumbnailService& service)
    {
        bool done = false;
        service.captureActiveSpacesNow(snapshot(), [&done] { done = true; });
        scheduler.advance(5s);
        EXPECT_TRUE(done);
    }

    QString folder;
};

} // namespace

TEST_F(ThumbnailServiceTest, CapturesEveryDisplaysActiveSpaceIntoMemoryAndFiles)
{
    auto service = makeService();
    QSignalSpy changes(service.get(), &ThumbnailService::changed);
    const QDateTime takenAt = scheduler.wallNow(); // the sim answers at once
    captureNow(*service);

    ASSERT_EQ(service->images().size(), 2u);
    EXPECT_EQ(service->images().at(kDesktop1).size(), QSize(1280, 831));
    EXPECT_EQ(service->images().at(kStudio).size(), QSize(1280, 800));
    EXPECT_EQ(service->capturedAt().at(kDesktop1), takenAt);
    EXPECT_EQ(QImageReader(file(kDesktop1)).size(), QSize(1280, 831));
    EXPECT_EQ(QImageReader(file(kStudio)).size(), QSize(1280, 800));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList({kDesktop1 + ".jpg", kStudio + ".jpg"}));
    EXPECT_EQ(changes.count(), 2);
    EXPECT_FALSE(service->lastError());

    // The picture is the display as it was: the program's own panel left out, at nominal size, no pointer.
    ASSERT_EQ(capture().imageRequests.size(), 2u);
    EXPECT_EQ(capture().imageRequests[0], (StillImageRequest{1, {11}, 1280, 831, false, CaptureResolution::nominal, std::nullopt}));
    EXPECT_EQ(capture().imageRequests[1].displayID, 2u);
    const QImage held = service->images().at(kDesktop1).image();
    const QColor body = held.pixelColor(int(300 * 1280 / 1512.0), int(500 * 831 / 982.0));
    const QColor browser = simAppColor(QStringLiteral("org.lumivast.sim.browser"));
    EXPECT_NEAR(body.red(), browser.red(), 8);
    EXPECT_NEAR(body.green(), browser.green(), 8);
    EXPECT_NEAR(body.blue(), browser.blue(), 8);
    // Decoded at the size it is drawn.
    EXPECT_EQ(service->images().at(kDesktop1).image(QSize(320, 320)).size(), QSize(320, 207));
}

TEST_F(ThumbnailServiceTest, RequestsPerSpaceAreDebounced)
{
    auto service = makeService();
    const SpaceSnapshot now = snapshot();
    service->captureActiveSpaces(now, 600ms);
    scheduler.advance(300ms);
    service->captureActiveSpaces(now, 600ms);
    scheduler.advance(599ms);
    EXPECT_TRUE(capture().contentRequests.empty());
    EXPECT_TRUE(service->isScheduled(kDesktop1));
    scheduler.advance(1ms);
    scheduler.advance(1ms);
    // One capture per display, at the second request's deadline.
    EXPECT_EQ(capture().contentRequests.size(), 2u);
    EXPECT_EQ(service->images().size(), 2u);

    // A delay of 0 still runs later, never inside the call.
    service->captureActiveSpaces(now, Duration::zero());
    EXPECT_EQ(capture().contentRequests.size(), 2u);
    scheduler.runPending();
    EXPECT_EQ(capture().contentRequests.size(), 4u);
}

TEST_F(ThumbnailServiceTest, EachCheckLeavesItsOwnError)
{
    struct Row {
        const char* name;
        std::function<void(SimWorld&, ThumbnailService&, SpaceSnapshot&)> arrange;
        std::optional<QString> lastError; // after starting from "earlier"
        bool asked;                       // the system was asked for content
    };
    const QString earlier = QStringLiteral("earlier");
    const Row rows[] = {
        {"previews off", [](auto&, auto&, auto&) { Settings::defaults().set(K::thumbnailsEnabled, false); }, earlier, false},
        {"suspended", [](auto&, ThumbnailService& s, auto&) { s.setSuspended(true); }, earlier, false},
        {"not granted", [](SimWorld& w, auto&, auto&) { w.screenRecordingGranted = false; },
         ThumbnailService::kNotGranted, false},
        {"no display number", [](auto&, auto&, SpaceSnapshot& s) {
             s.displays[0].id = QStringLiteral("Nowhere");
             s.displays[0].spaces[0].displayID = QStringLiteral("Nowhere");
         },
         ThumbnailService::kDisplayNotFound, false},
        {"Space left meanwhile", [](SimWorld& w, auto&, auto&) { w.switchSpace(w.displays[0].identifier, 2); },
         earlier, false},
        {"no Spaces list", [](SimWorld& w, auto&, auto&) { w.spacesListOverride = PlistValue(); }, earlier, false},
        {"content fails", [](SimWorld& w, auto&, auto&) { w.screenCapture().contentError = QStringLiteral("content gone"); },
         QStringLiteral("content gone"), true},
        {"display not in content", [](SimWorld& w, auto&, auto&) { w.screenCapture().omittedDisplays = {QString(w.displays[0].uuid)}; },
         earlier, true},
        {"image fails", [](SimWorld& w, auto&, auto&) { w.screenCapture().imageError = QStringLiteral("stream stopped"); },
         QStringLiteral("stream stopped"), true},
        {"success", [](auto&, auto&, auto&) {}, std::nullopt, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Settings::defaults().set(K::thumbnailsEnabled, true);
        QString error;
        install(SimWorld::fromFile(test::fixture(QStringLiteral("worlds/previews.json")), &error));
        // The capture is of Desktop 1 as seen before the arrangement.
        SpaceSnapshot before = snapshot();
        before.displays.resize(1);

        auto service = makeService();
        service->setSuspended(false);
        // Give the error a known starting text through a failing capture.
        capture().imageError = earlier;
        service->captureActiveSpaces(before, Duration::zero());
        scheduler.advance(1ms);
        capture().imageError.reset();
        capture().contentRequests.clear();
        ASSERT_EQ(service->lastError(), earlier);
        const QString start = earlier;

        row.arrange(*world, *service, before);
        service->captureActiveSpaces(before, Duration::zero());
        if (std::string(row.name) == "previews off") {
            // Nothing is scheduled at all.
            EXPECT_FALSE(service->isScheduled(kDesktop1));
        }
        scheduler.advance(1s);
        const std::optional<QString> expected = row.lastError == earlier ? std::optional<QString>(start) : row.lastError;
        EXPECT_EQ(service->lastError(), expected);
        EXPECT_EQ(!capture().contentRequests.empty(), row.asked);
        EXPECT_EQ(service->images().contains(kDesktop1), !row.lastError.has_value());
        EXPECT_FALSE(service->isCapturing(kDesktop1));
    }
}

TEST_F(ThumbnailServiceTest, ACaptureUnderWayDropsFurtherRequestsAndOutlivesRemoval)
{
    capture().delay = 500ms;
    auto service = makeService();
    const SpaceSnapshot now = snapshot();
    SpaceSnapshot first = now;
    first.displays.resize(1);
    service->captureActiveSpaces(first, Duration::zero());
    scheduler.runPending();
    EXPECT_TRUE(service->isCapturing(kDesktop1));

    // Dropped, neither queued nor waiting.
    bool done = false;
    service->captureActiveSpacesNow(first, [&done] { done = true; });
    EXPECT_TRUE(done);
    EXPECT_EQ(capture().contentRequests.size(), 1u);

    // Pausing and clearing do not stop it from storing its picture and file.
    service->setSuspended(true);
    service->removeAll();
    scheduler.advance(1s);
    EXPECT_FALSE(service->isCapturing(kDesktop1));
    EXPECT_TRUE(service->images().contains(kDesktop1));
    EXPECT_TRUE(QFile::exists(file(kDesktop1)));
    EXPECT_EQ(capture().contentRequests.size(), 1u);
}

TEST_F(ThumbnailServiceTest, CaptureSizeFollowsTheDisplaysShape)
{
    struct Row {
        double w, h;
        int height;
    } rows[] = {{1440, 900, 800}, {1512, 982, 831}, {1080, 1920, 2275}, {1280, 1, 1}};
    for (const Row& row : rows) {
        world->displays[0].frame = QRectF(0, 0, row.w, row.h);
        capture().imageRequests.clear();
        auto service = makeService();
        SpaceSnapshot first = snapshot();
        first.displays.resize(1);
        service->captureActiveSpaces(first, Duration::zero());
        scheduler.advance(10ms);
        ASSERT_EQ(capture().imageRequests.size(), 1u) << row.w;
        EXPECT_EQ(capture().imageRequests[0].width, 1280);
        EXPECT_EQ(capture().imageRequests[0].height, row.height) << row.w << "x" << row.h;
    }
}

TEST_F(ThumbnailServiceTest, ARestartLoadsJpgFilesWithTheirDates)
{
    writeImage(folder + "/A.jpg", QSize(1280, 800));
    writeImage(folder + "/.hidden.jpg", QSize(64, 40));
    writeImage(folder + "/Upper.JPG", QSize(64, 40));
    writeImage(folder + "/Long.jpeg", QSize(64, 40));
    QFile text(folder + "/broken.jpg");
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture");
    text.close();
    QDir().mkpath(folder + "/folder.jpg");
    const QDateTime date(QDate(2025, 3, 4), QTime(5, 6, 7), Qt::UTC);
    QFile stamped(folder + "/A.jpg");
    ASSERT_TRUE(stamped.open(QIODevice::ReadWrite));
    ASSERT_TRUE(stamped.setFileTime(date, QFileDevice::FileModificationTime));
    stamped.close();

    auto service = makeService();
    std::vector<QString> keys;
    for (const auto& [key, image] : service->images())
        keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<QString>{QStringLiteral(".hidden"), QStringLiteral("A")}));
    EXPECT_EQ(service->images().at("A").size(), QSize(1280, 800));
    EXPECT_EQ(service->capturedAt().at("A"), date);
    EXPECT_EQ(service->capturedAt().size(), 2u);
    EXPECT_FALSE(service->lastError());

    // An empty or missing folder holds nothing.
    EXPECT_TRUE(ThumbnailService(scheduler, home.path("nowhere")).images().empty());
}

TEST_F(ThumbnailServiceTest, PruneKeepsManagedIdsAndRemoveAllLeavesForeignFiles)
{
    for (const char* id : {"managed-7", "X", "Y"})
        writeImage(file(id), QSize(32, 20));
    QFile foreign(folder + "/notes.txt");
    ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
    foreign.close();
    auto service = makeService();
    QSignalSpy changes(service.get(), &ThumbnailService::changed);

    service->prune({QStringLiteral("Y")});
    EXPECT_EQ(service->images().size(), 2u);
    EXPECT_TRUE(service->images().contains("managed-7"));
    EXPECT_FALSE(QFile::exists(file("X")));
    EXPECT_EQ(changes.count(), 1);

    service->prune({});
    EXPECT_EQ(service->images().size(), 1u);
    service->remove(QStringLiteral("absent"));
    EXPECT_EQ(changes.count(), 2);

    writeImage(file("stranger"), QSize(32, 20)); // arrived after the folder was read
    service->removeAll();
    EXPECT_TRUE(service->images().empty());
    EXPECT_TRUE(service->capturedAt().empty());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList({"notes.txt", "stranger.jpg"}));
    EXPECT_EQ(changes.count(), 3);
}

TEST_F(ThumbnailServiceTest, FilesAreWrittenOnlyForPlainIdsAndFailuresStillCount)
{
    // A Space id that is not a plain file name stays in memory only.
    world->displays[0].spaces[0].uuid = QStringLiteral("../escape");
    QFile outside(home.path("escape.jpg"));
    writeImage(outside.fileName(), QSize(8, 8));
    auto service = makeService();
    captureNow(*service);
    EXPECT_TRUE(service->images().contains("../escape"));
    EXPECT_FALSE(service->filePath("../escape"));
    EXPECT_TRUE(service->fileError("../escape"));
    EXPECT_EQ(QImageReader(outside.fileName()).size(), QSize(8, 8)) << "nothing outside the folder is touched";
    service->remove(QStringLiteral("../escape"));
    EXPECT_TRUE(outside.exists());

    // A folder that cannot be written: the capture still counts, the file error says why.
    ThumbnailService homeless(scheduler, home.path("missing/Thumbnails"));
    captureNow(homeless);
    EXPECT_TRUE(homeless.images().contains(kStudio));
    EXPECT_FALSE(homeless.lastError());
    ASSERT_TRUE(homeless.fileError(kStudio));
    EXPECT_FALSE(QDir(home.path("missing")).exists());
}

TEST_F(ThumbnailServiceTest, ARewriteReplacesTheFileWhole)
{
    auto service = makeService();
    captureNow(*service);
    const QByteArray first = [&] {
        QFile f(file(kDesktop1));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    // A reader that opened the old preview (another process drawing it) is not cut off mid-picture.
    QFile reader(file(kDesktop1));
    ASSERT_TRUE(reader.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    world->windows.erase(world->windows.begin() + 1); // notes.txt closes
    scheduler.advance(1s);
    captureNow(*service);
    const QByteArray held = reader.readAll();
    EXPECT_EQ(held, first) << "the old preview was written over in place";
    EXPECT_FALSE(QImage::fromData(held, "JPEG").isNull());
    QFile again(file(kDesktop1));
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    const QByteArray second = again.readAll();
    EXPECT_NE(first, second);
    EXPECT_EQ(service->images().at(kDesktop1).data(), second);
    // Nothing is left beside it.
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2);
}
