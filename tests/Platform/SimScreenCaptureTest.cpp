#include "Platform/Sim/SimScreenCapture.h"
#include "Platform/StableHash.h"

#include "tests/support/SimWorldTest.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

const QString kBrowser = QStringLiteral("org.lumivast.sim.browser");
const QString kEditor = QStringLiteral("org.lumivast.sim.editor");
const QString kProgram = QStringLiteral("org.lumivast.lumivast");
const QColor kWallpaper(0x33, 0x66, 0x99);

class SimScreenCaptureTest : public test::SimWorldTest {
protected:
    SimScreenCaptureTest()
    {
        QString error;
        auto w = SimWorld::fromFile(test::fixture(QStringLiteral("worlds/previews.json")), &error);
        EXPECT_TRUE(w) << error.toStdString();
        if (w)
            install(w);
    }
    SimScreenCapture& capture() { return world->screenCapture(); }

    std::expected<ShareableContent, QString> content()
    {
        std::optional<std::expected<ShareableContent, QString>> answer;
        Platform::current().screenCapture().shareableContent(false, true, [&](auto a) { answer = std::move(a); });
        EXPECT_FALSE(answer) << "answered inside the call";
        scheduler.advance(capture().delay);
        EXPECT_TRUE(answer);
        return answer ? *answer : std::unexpected(QStringLiteral("no answer"));
    }
    std::expected<QImage, QString> image(std::uint32_t display, QSize size, std::vector<std::uint32_t> excluded = {},
                                         std::optional<QRect> area = std::nullopt)
    {
        std::optional<std::expected<QImage, QString>> answer;
        StillImageRequest request{display, std::move(excluded), size.width(), size.height(), false, CaptureResolution::nominal, area};
        Platform::current().screenCapture().captureImage(request, [&](auto a) { answer = std::move(a); });
        EXPECT_FALSE(answer) << "answered inside the call";
        scheduler.advance(capture().delay);
        EXPECT_TRUE(answer);
        return answer ? *answer : std::unexpected(QStringLiteral("no answer"));
    }
    // The pixel under a point of display 1 (world coordinates) in a 1280 x 831 picture of it.
    static QRgb at(const QImage& picture, double x, double y)
    {
        return picture.pixel(int(x * 1280 / 1512), int(y * 831 / 982));
    }
};

} // namespace

TEST_F(SimScreenCaptureTest, ContentListsDisplaysAndShownWindowsWithTheirOwners)
{
    const auto answer = content();
    ASSERT_TRUE(answer) << answer.error().toStdString();
    ASSERT_EQ(answer->displays.size(), 2u);
    EXPECT_EQ(answer->displays[0], (ShareableDisplay{1, 1512, 982, std::nullopt}));
    EXPECT_EQ(answer->displays[1], (ShareableDisplay{2, 1440, 900, std::nullopt}));
    // Minimised (14), hidden app (15) and not on a current Space (16) are not on screen.
    const auto self = std::int32_t(QCoreApplication::applicationPid());
    const std::vector<ShareableWindow> expected{{11, self}, {12, 402}, {13, 401}, {17, 401}};
    EXPECT_EQ(answer->windows, expected);
    EXPECT_EQ(capture().contentRequests, (std::vector<SimScreenCapture::ContentRequest>{{false, true}}));
}

TEST_F(SimScreenCaptureTest, PaintsTheCurrentSpaceFromTheWorld)
{
    const auto picture = image(1, QSize(1280, 831), {11});
    ASSERT_TRUE(picture) << picture.error().toStdString();
    ASSERT_EQ(picture->size(), QSize(1280, 831));
    const QRgb browser = simAppColor(kBrowser).rgb();
    EXPECT_EQ(at(*picture, 300, 500), browser);                           // Start Page's body
    EXPECT_EQ(at(*picture, 300, 70), simAppColor(kBrowser).darker(135).rgb()); // its title bar
    EXPECT_EQ(at(*picture, 1000, 600), simAppColor(kEditor).rgb());       // notes.txt, in front of it
    EXPECT_EQ(at(*picture, 756, 180), browser);                           // the program's panel is left out
    EXPECT_EQ(at(*picture, 1250, 140), kWallpaper.rgb());                 // minimised
    EXPECT_EQ(at(*picture, 260, 900), kWallpaper.rgb());                  // hidden app
    EXPECT_EQ(at(*picture, 1200, 900), kWallpaper.rgb());                 // another Space's window

    // Not left out, the panel shows; the world's app colours do not depend on the run.
    const auto withPanel = image(1, QSize(1280, 831));
    ASSERT_TRUE(withPanel);
    EXPECT_EQ(at(*withPanel, 756, 180), simAppColor(kProgram).rgb());
    EXPECT_EQ(simAppColor(kBrowser), QColor::fromHsv(int(stableHash(kBrowser) % 360), 160, 220));

    // The other display: no desktop picture, its own window at its scaled frame.
    const auto second = image(2, QSize(1280, 800));
    ASSERT_TRUE(second);
    EXPECT_EQ(second->pixel(int(400 * 1280 / 1440.0), int(400 * 800 / 900.0)), browser);
    EXPECT_EQ(second->pixel(int(1000 * 1280 / 1440.0), 780), SimScreenCapture::kDesktopFill.rgb());

    ASSERT_EQ(capture().imageRequests.size(), 3u);
    EXPECT_EQ(capture().imageRequests[0],
              (StillImageRequest{1, {11}, 1280, 831, false, CaptureResolution::nominal, std::nullopt}));
}

TEST_F(SimScreenCaptureTest, SwitchingChangesTheDesktopPictureAndTheWindows)
{
    world->spaceWallpapers[2] = QStringLiteral("/nowhere/missing.png");
    const auto screen = world->screens().front();
    EXPECT_EQ(world->desktopImageURL(screen),
              QUrl::fromLocalFile(QFileInfo(test::fixture(QStringLiteral("worlds/previews-wallpaper.png"))).absoluteFilePath()));
    ASSERT_TRUE(world->switchSpace(world->displays[0].identifier, 2));
    EXPECT_EQ(world->desktopImageURL(screen), QUrl::fromLocalFile(QStringLiteral("/nowhere/missing.png")));
    EXPECT_FALSE(world->desktopImageURL(world->screens()[1]));

    const auto picture = image(1, QSize(1280, 831));
    ASSERT_TRUE(picture);
    // An unreadable picture leaves the plain fill; Desktop 2's window shows, Desktop 1's do not.
    EXPECT_EQ(at(*picture, 300, 500), SimScreenCapture::kDesktopFill.rgb());
    EXPECT_EQ(at(*picture, 1200, 900), simAppColor(kEditor).rgb());
}

TEST_F(SimScreenCaptureTest, AnAreaIsCutFromItsDisplayAlone)
{
    const auto whole = image(1, QSize(1280, 831));
    ASSERT_TRUE(whole);
    // The right half at the same scale is the whole picture's right half; past the display there is nothing to take.
    for (const QRect area : {QRect(756, 0, 756, 982), QRect(756, 0, 1512, 982)}) {
        const auto half = image(1, QSize(640, 831), {}, area);
        ASSERT_TRUE(half) << half.error().toStdString();
        ASSERT_EQ(half->size(), QSize(640, 831));
        for (const QPoint p : {QPoint(30, 40), QPoint(260, 460), QPoint(400, 110), QPoint(600, 800)})
            EXPECT_EQ(half->pixel(p), whole->pixel(p + QPoint(640, 0))) << p.x() << "," << p.y();
        EXPECT_EQ(half->pixel(int((1000 - 756) * 640 / 756.0), int(600 * 831 / 982.0)), simAppColor(kEditor).rgb());
    }
    EXPECT_FALSE(image(1, QSize(100, 100), {}, QRect(1600, 0, 200, 200)));
}

TEST_F(SimScreenCaptureTest, FailuresAndDelaysAsTheWorldSets)
{
    auto w = worldFrom(R"({"displays": [{"uuid": "D1"}, {"uuid": "D2"}],
                           "screenCapture": {"delayMs": 250, "imageError": "The stream failed", "omitDisplays": ["D2"]}})");
    install(w);
    EXPECT_EQ(capture().delay, 250ms);

    std::optional<std::expected<ShareableContent, QString>> answer;
    capture().shareableContent(false, true, [&](auto a) { answer = std::move(a); });
    scheduler.advance(249ms);
    EXPECT_FALSE(answer) << "held in flight until the delay passes";
    scheduler.advance(1ms);
    ASSERT_TRUE(answer && *answer);
    ASSERT_EQ((*answer)->displays.size(), 1u);
    EXPECT_EQ((*answer)->displays[0].displayID, 1u);

    const auto failed = image(1, QSize(1280, 831));
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error(), QStringLiteral("The stream failed"));

    capture().imageError.reset();
    EXPECT_EQ(image(9, QSize(100, 100)).error(), QStringLiteral("The display is no longer available"));
    EXPECT_TRUE(image(1, QSize(100, 60)));

    capture().contentError = QStringLiteral("The content is unavailable");
    EXPECT_EQ(content().error(), QStringLiteral("The content is unavailable"));

    // Without the permission both requests fail as the system's do.
    capture().contentError.reset();
    world->screenRecordingGranted = false;
    EXPECT_EQ(content().error(), SimScreenCapture::kNotPermitted);
    EXPECT_EQ(image(1, QSize(100, 60)).error(), SimScreenCapture::kNotPermitted);
}

TEST_F(SimScreenCaptureTest, WorldFileRejectsMalformedCaptureKeys)
{
    const char* bad[] = {
        R"({"screenCapture": 3})",
        R"({"screenCapture": {"delayMs": -1}})",
        R"({"screenCapture": {"imageError": 5}})",
        R"({"screenCapture": {"omitDisplays": "D1"}})",
        R"({"displays": [{"wallpaper": ""}]})",
        R"({"displays": [{"spaces": [{"wallpaper": 7}]}]})",
    };
    for (const char* json : bad) {
        QString error;
        EXPECT_FALSE(SimWorld::fromJson(QJsonDocument::fromJson(json).object(), &error)) << json;
        EXPECT_FALSE(error.isEmpty()) << json;
    }
}
