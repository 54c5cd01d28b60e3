// Pictures of the current desktop, with and without the program's own panels, and the desktop picture.
#include "tests/Platform/X11/XServerFixture.h"

#include "Platform/DataFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <sys/stat.h>
#include <unistd.h>

using namespace lumivast;
using namespace lumivast::test::x11;

namespace {

constexpr std::uint32_t kBackground = 0x204060; // the root's picture
constexpr std::uint32_t kPanel = 0xFF0000;      // the program's panels
constexpr std::uint32_t kHelper = 0xFFFFFF;     // the helper's window (white)

template <class T>
struct Freed {
    explicit Freed(T* p) : value(p) {}
    ~Freed() { std::free(value); }
    T* operator->() const { return value; }
    explicit operator bool() const { return value != nullptr; }
    T* value;
};

class X11CaptureTest : public SharedDesktopTest {
protected:
    void TearDown() override
    {
        if (client) {
            for (xcb_window_t w : ownWindows)
                xcb_destroy_window(client->get(), w);
            if (picture) {
                const std::uint32_t none = XCB_BACK_PIXMAP_NONE;
                xcb_change_window_attributes(client->get(), client->root(), XCB_CW_BACK_PIXMAP, &none);
                client->deleteRootProperty("_XROOTPMAP_ID");
                xcb_free_pixmap(client->get(), picture);
            }
            xcb_flush(client->get());
        }
        SharedDesktopTest::TearDown();
    }

    // Sets a plain root picture the way wallpaper setters publish theirs.
    void setRootPicture(std::uint32_t colour)
    {
        xcb_connection_t* c = client->get();
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        picture = xcb_generate_id(c);
        xcb_create_pixmap(c, screen->root_depth, picture, screen->root, screen->width_in_pixels, screen->height_in_pixels);
        const xcb_gcontext_t gc = xcb_generate_id(c);
        xcb_create_gc(c, gc, picture, XCB_GC_FOREGROUND, &colour);
        const xcb_rectangle_t all{0, 0, screen->width_in_pixels, screen->height_in_pixels};
        xcb_poly_fill_rectangle(c, picture, gc, 1, &all);
        xcb_free_gc(c, gc);
        xcb_change_window_attributes(c, screen->root, XCB_CW_BACK_PIXMAP, &picture);
        xcb_clear_area(c, 0, screen->root, 0, 0, 0, 0);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, screen->root, client->atom("_XROOTPMAP_ID"), XCB_ATOM_PIXMAP, 32, 1, &picture);
        xcb_flush(c);
    }

    // A panel of the program's own: override-redirect, with this process's pid, in one colour.
    xcb_window_t panel(QRect rect)
    {
        const xcb_window_t w = client->plainWindow(rect, kPanel, std::uint32_t(::getpid()));
        ownWindows.push_back(w);
        EXPECT_TRUE(viewable(w));
        return w;
    }
    bool viewable(xcb_window_t w)
    {
        return client->waitUntil([&] {
            Freed a(xcb_get_window_attributes_reply(client->get(), xcb_get_window_attributes(client->get(), w), nullptr));
            return a && a->map_state == XCB_MAP_STATE_VIEWABLE;
        });
    }

    std::expected<ShareableContent, QString> content()
    {
        std::optional<std::expected<ShareableContent, QString>> answer;
        Platform::current().screenCapture().shareableContent(false, true, [&](auto result) { answer = std::move(result); });
        EXPECT_FALSE(answer.has_value()) << "answered inside the call";
        client->waitUntil([&] {
            scheduler.runPending();
            return answer.has_value();
        });
        return answer.value_or(std::unexpected(QStringLiteral("no answer")));
    }
    std::expected<QImage, QString> capture(const StillImageRequest& request)
    {
        std::optional<std::expected<QImage, QString>> answer;
        Platform::current().screenCapture().captureImage(request, [&](auto result) { answer = std::move(result); });
        client->waitUntil([&] {
            scheduler.runPending();
            return answer.has_value();
        });
        return answer.value_or(std::unexpected(QStringLiteral("no answer")));
    }
    static std::uint32_t rgb(const QImage& image, QPoint p) { return image.pixel(p) & 0xFFFFFF; }

    std::vector<xcb_window_t> ownWindows;
    xcb_pixmap_t picture = 0;
};

TEST_F(X11CaptureTest, TheCurrentDesktopWithoutTheProgramsPanels)
{
    setRootPicture(kBackground);
    // Another process's window, placed and decorated by the window manager.
    auto helper = Child::spawn({QStringLiteral(LUMIVAST_X11_HELPER), QString::fromLatin1(display), QStringLiteral("Captured")});
    ASSERT_TRUE(helper);
    xcb_window_t helperWindow = 0;
    ASSERT_TRUE(client->waitUntil([&] {
        // The helper's client window is the one with its title among the managed ones.
        Freed clients(xcb_get_property_reply(client->get(), xcb_get_property(client->get(), 0, client->root(), client->atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 0, 1024), nullptr));
        if (!clients)
            return false;
        const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(clients.value));
        for (int i = 0; i < xcb_get_property_value_length(clients.value) / 4; ++i) {
            Freed pid(xcb_get_property_reply(client->get(), xcb_get_property(client->get(), 0, ids[i], client->atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 0, 1), nullptr));
            if (pid && xcb_get_property_value_length(pid.value) == 4 && *static_cast<std::uint32_t*>(xcb_get_property_value(pid.value)) == std::uint32_t(helper->pid()))
                helperWindow = ids[i];
        }
        return helperWindow != 0;
    }));
    ASSERT_TRUE(viewable(helperWindow));
    Freed where(xcb_translate_coordinates_reply(client->get(), xcb_translate_coordinates(client->get(), helperWindow, client->root(), 0, 0), nullptr));
    ASSERT_TRUE(where);
    const QRect helperArea(where->dst_x, where->dst_y, 300, 200);

    // One panel over the helper's window, one over the bare desktop (away from the helper, at the bottom right).
    const QRect overHelper(helperArea.x() + 100, helperArea.y() + 50, 100, 100);
    const QRect overDesktop(1300, 760, 120, 120);
    ASSERT_FALSE(overDesktop.intersects(helperArea.adjusted(-50, -50, 50, 50)));
    const xcb_window_t first = panel(overHelper), second = panel(overDesktop);

    const auto listed = content();
    ASSERT_TRUE(listed) << listed.error().toStdString();
    ASSERT_EQ(listed->displays.size(), 1u);
    const ShareableDisplay screen = listed->displays[0];
    EXPECT_EQ(screen.width, 1512);
    EXPECT_EQ(screen.height, 982);
    auto owner = [&](xcb_window_t w) -> std::optional<std::int32_t> {
        for (const ShareableWindow& window : listed->windows) {
            if (window.windowID == w)
                return window.owningPID.value_or(-1);
        }
        return std::nullopt;
    };
    EXPECT_EQ(owner(first), std::int32_t(::getpid()));
    EXPECT_EQ(owner(second), std::int32_t(::getpid()));
    EXPECT_EQ(owner(helperWindow), helper->pid());

    StillImageRequest request;
    request.displayID = screen.displayID;
    request.width = screen.width;
    request.height = screen.height;

    // Everything: the panels are on the screen.
    const auto whole = capture(request);
    ASSERT_TRUE(whole) << whole.error().toStdString();
    ASSERT_EQ(whole->size(), QSize(1512, 982));
    EXPECT_EQ(rgb(*whole, overHelper.center()), kPanel);
    EXPECT_EQ(rgb(*whole, overDesktop.center()), kPanel);

    // Without the program's windows: what lies under them.
    for (const ShareableWindow& window : listed->windows) {
        if (window.owningPID == std::int32_t(::getpid()))
            request.excludedWindows.push_back(window.windowID);
    }
    ASSERT_EQ(request.excludedWindows.size(), 2u);
    const auto without = capture(request);
    ASSERT_TRUE(without) << without.error().toStdString();
    EXPECT_EQ(rgb(*without, overHelper.center()), kHelper);
    EXPECT_EQ(rgb(*without, overDesktop.center()), kBackground);
    EXPECT_EQ(rgb(*without, helperArea.topLeft() + QPoint(10, 10)), kHelper);

    // Scaled to the size asked for.
    request.width = 378;
    request.height = 245;
    const auto small = capture(request);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->size(), QSize(378, 245));
    EXPECT_EQ(rgb(*small, QPoint(overDesktop.center().x() / 4, overDesktop.center().y() / 4)), kBackground);

    // A monitor that is not there.
    request.displayID = 12345;
    EXPECT_FALSE(capture(request));

    // The desktop picture is the root's.
    ScreenInfo info;
    info.deviceDescription = PlistValue::dict({{QStringLiteral("NSScreenNumber"), PlistValue(screen.displayID)}});
    const auto url = Platform::current().workspace().desktopImageURL(info);
    ASSERT_TRUE(url);
    const QImage file(url->toLocalFile());
    ASSERT_EQ(file.size(), QSize(1512, 982));
    EXPECT_EQ(rgb(file, QPoint(700, 500)), kBackground);
}

TEST_F(X11CaptureTest, ARootWithoutPictureHasNoDesktopPicture)
{
    client->deleteRootProperty("_XROOTPMAP_ID");
    client->deleteRootProperty("ESETROOT_PMAP_ID");
    ScreenInfo info;
    info.deviceDescription = PlistValue::dict({{QStringLiteral("NSScreenNumber"), PlistValue(Platform::current().screens().mainDisplayID())}});
    EXPECT_FALSE(Platform::current().workspace().desktopImageURL(info).has_value());
}

} // namespace

// Sets an environment variable (or unsets it, given nothing) for one scope.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, std::optional<QByteArray> value) : m_name(name), m_before(qgetenv(name))
    {
        value ? qputenv(name, *value) : qunsetenv(name);
    }
    ~ScopedEnvironment() { m_before.isNull() ? qunsetenv(m_name) : qputenv(m_name, m_before); }

private:
    const char* m_name;
    QByteArray m_before;
};

TEST_F(X11CaptureTest, LinksPlantedInTheSharedTemporaryFolderRedirectNothing)
{
    // No runtime folder: the shared temporary folder, where another user planted links under the names that could be used.
    const QString shared = home.path(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkpath(shared));
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
    const ScopedEnvironment runtime("XDG_RUNTIME_DIR", std::nullopt);
    const ScopedEnvironment temp("TMPDIR", shared.toUtf8());
    const QString victim = home.path(QStringLiteral("victim.txt"));
    ASSERT_TRUE(DataFile::write(victim, "the victim's own"));
    QStringList planted;
    const QString screen = QString::fromLocal8Bit(display);
    for (const QString& name : {QStringLiteral("lumivast-spaces%1.json"), QStringLiteral("lumivast-spaces%1.json.new")})
        planted << name.arg(screen);
    for (int n = 0; n < 4; ++n)
        planted << QStringLiteral("lumivast-desktop-picture%1-%2.png").arg(screen).arg(n);
    for (const QString& name : planted)
        ASSERT_TRUE(QFile::link(victim, shared + QLatin1Char('/') + name)) << name.toStdString();

    setRootPicture(kBackground);
    use(display); // a fresh platform reads the environment anew
    const QString preferences = Platform::current().spacesPreferencesPath();
    const QString own = shared + QStringLiteral("/lumivast-%1").arg(::geteuid());
    EXPECT_EQ(QFileInfo(preferences).absolutePath(), own);
    ScreenInfo screenInfo;
    screenInfo.deviceDescription = PlistValue::dict({{QStringLiteral("NSScreenNumber"), PlistValue(Platform::current().screens().mainDisplayID())}});
    const auto url = Platform::current().workspace().desktopImageURL(screenInfo);
    ASSERT_TRUE(url);
    EXPECT_EQ(QFileInfo(url->toLocalFile()).absolutePath(), own);
    showDesktop(1);
    EXPECT_TRUE(client->waitUntil([&] { return DataFile::read(preferences).bytes.contains("\"current\":1"); }));

    EXPECT_EQ(DataFile::read(victim).bytes, QByteArray("the victim's own"));
    for (const QString& name : planted)
        EXPECT_TRUE(QFileInfo(shared + QLatin1Char('/') + name).isSymLink()) << name.toStdString();
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(own).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    for (const QString& file : {preferences, url->toLocalFile()}) {
        ASSERT_EQ(::lstat(QFile::encodeName(file).constData(), &info), 0) << file.toStdString();
        EXPECT_EQ(info.st_mode & 07777, 0600u) << file.toStdString();
    }
}
