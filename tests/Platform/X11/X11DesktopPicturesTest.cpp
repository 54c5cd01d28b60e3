// A desktop picture per desktop on a root that holds one.
#include "Platform/X11/DesktopPictures.h"
#include "tests/Platform/X11/XServerFixture.h"

#include <QFileInfo>
#include <QImage>
#include <QUrl>

#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace lumivast;
using namespace lumivast::test::x11;

namespace {

class X11DesktopPicturesTest : public SharedDesktopTest {
protected:
    void TearDown() override
    {
        // The next suites find no root picture, as before.
        if (client) {
            client->deleteRootProperty("_XROOTPMAP_ID");
            client->deleteRootProperty("ESETROOT_PMAP_ID");
        }
        SharedDesktopTest::TearDown();
    }
    QString picture(const char* name, QColor colour)
    {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = home.path(QString::fromLatin1(name));
        image.save(path);
        return path;
    }
    // The root picture's pixel in the middle of the screen, as 0xRRGGBB; none without a picture.
    std::optional<std::uint32_t> rootPixel()
    {
        xcb_connection_t* c = client->get();
        auto* property = xcb_get_property_reply(c, xcb_get_property(c, 0, client->root(), client->atom("_XROOTPMAP_ID"), XCB_ATOM_PIXMAP, 0, 1), nullptr);
        std::optional<std::uint32_t> pixel;
        if (property && xcb_get_property_value_length(property) == 4) {
            const xcb_pixmap_t pixmap = *static_cast<xcb_pixmap_t*>(xcb_get_property_value(property));
            auto* image = xcb_get_image_reply(c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, 756, 491, 1, 1, ~0u), nullptr);
            if (image && xcb_get_image_data_length(image) >= 4)
                pixel = *reinterpret_cast<std::uint32_t*>(xcb_get_image_data(image)) & 0xFFFFFF;
            std::free(image);
        }
        std::free(property);
        return pixel;
    }
    bool rootShows(std::uint32_t rgb)
    {
        return client->waitUntil([&] {
            scheduler.runPending();
            return rootPixel() == rgb;
        });
    }
    std::expected<void, QString> choose(const QString& file)
    {
        const auto screen = Platform::current().screens().mainScreen();
        if (!screen)
            return std::unexpected(QStringLiteral("no screen"));
        return Platform::current().workspace().setDesktopImageURL(QUrl::fromLocalFile(file), *screen);
    }
};

TEST_F(X11DesktopPicturesTest, APictureChosenForADesktopShowsWheneverItIsShownAndAfterARestart)
{
    const QString red = picture("red.png", Qt::red), blue = picture("blue.png", Qt::blue);
    showDesktop(1);
    ASSERT_TRUE(choose(red));
    EXPECT_TRUE(rootShows(0xFF0000));
    showDesktop(0);
    ASSERT_TRUE(choose(blue));
    EXPECT_TRUE(rootShows(0x0000FF));
    showDesktop(1);
    EXPECT_TRUE(rootShows(0xFF0000));
    showDesktop(0);
    EXPECT_TRUE(rootShows(0x0000FF));

    // Kept in the program's data, for the user alone.
    const QString kept = x11::X11DesktopPictures::pathFor(0, 1);
    struct stat file {}, folder {};
    ASSERT_EQ(::stat(QFile::encodeName(kept).constData(), &file), 0);
    ASSERT_EQ(::stat(QFile::encodeName(QFileInfo(kept).path()).constData(), &folder), 0);
    EXPECT_EQ(file.st_mode & 0777, 0600u);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);

    // The next run shows the picture of the desktop shown, the chosen files gone or not.
    QFile::remove(red);
    showDesktop(1);
    client->deleteRootProperty("_XROOTPMAP_ID");
    client->deleteRootProperty("ESETROOT_PMAP_ID");
    use(display);
    EXPECT_TRUE(rootShows(0xFF0000));

    EXPECT_FALSE(choose(home.path(QStringLiteral("missing.png"))));
}

} // namespace
