// The RandR monitors of one X screen as the system's screens, and the previews of the desktop they share.
#include "tests/Platform/X11/XServerFixture.h"

#include "Core/Previews/ThumbnailService.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceProvider.h"

#include <gtest/gtest.h>
#include <xcb/randr.h>
#include <xcb/xcbext.h>

#include <sys/uio.h>

using namespace lumivast;
using namespace lumivast::test::x11;

namespace {

// A server of its own: its monitors are rearranged here.
class X11MonitorsTest : public X11PlatformTest {
protected:
    void SetUp() override
    {
        startServer({QStringLiteral("1600x900x24")});
        if (!server)
            return;
        xcb_connection_t* c = client->get();
        std::free(xcb_randr_query_version_reply(c, xcb_randr_query_version(c, 1, 5), nullptr));
        xcb_randr_get_screen_resources_current_reply_t* resources =
            xcb_randr_get_screen_resources_current_reply(c, xcb_randr_get_screen_resources_current(c, client->root()), nullptr);
        ASSERT_TRUE(resources);
        ASSERT_GE(xcb_randr_get_screen_resources_current_outputs_length(resources), 1);
        output = xcb_randr_get_screen_resources_current_outputs(resources)[0];
        std::free(resources);
        use(server->display());
    }

    // What `xrandr --setmonitor` does; with `withOutput` the monitor takes the place of the output's own.
    void setMonitor(const char* name, QRect rect, bool primary, bool withOutput)
    {
        struct {
            xcb_randr_monitor_info_t info;
            xcb_randr_output_t output;
        } monitor{};
        monitor.info.name = client->atom(name);
        monitor.info.primary = primary;
        monitor.info.nOutput = withOutput ? 1 : 0;
        monitor.info.x = std::int16_t(rect.x());
        monitor.info.y = std::int16_t(rect.y());
        monitor.info.width = std::uint16_t(rect.width());
        monitor.info.height = std::uint16_t(rect.height());
        monitor.info.width_in_millimeters = std::uint32_t(rect.width() / 4);
        monitor.info.height_in_millimeters = std::uint32_t(rect.height() / 4);
        monitor.output = output;
        // Sent by hand: libxcb's own wrapper miscounts the length of a monitor without outputs.
        struct {
            std::uint8_t major, minor;
            std::uint16_t length;
            xcb_window_t window;
        } header{0, 0, 0, client->root()};
        iovec parts[4];
        parts[2] = {&header, sizeof header};
        parts[3] = {&monitor, sizeof monitor.info + (withOutput ? sizeof monitor.output : 0)};
        xcb_protocol_request_t request{2, &xcb_randr_id, XCB_RANDR_SET_MONITOR, 0};
        const xcb_void_cookie_t cookie{xcb_send_request(client->get(), XCB_REQUEST_CHECKED, parts + 2, &request)};
        xcb_generic_error_t* error = xcb_request_check(client->get(), cookie);
        EXPECT_EQ(error, nullptr) << name;
        std::free(error);
    }

    void deleteMonitors()
    {
        xcb_randr_delete_monitor(client->get(), client->root(), client->atom("DP-1"));
        xcb_randr_delete_monitor(client->get(), client->root(), client->atom("eDP-1"));
        xcb_flush(client->get());
        // A round trip: both are gone before anyone reads the monitors.
        std::free(xcb_get_input_focus_reply(client->get(), xcb_get_input_focus(client->get()), nullptr));
    }

    xcb_randr_output_t output = 0;
};

TEST_F(X11MonitorsTest, TwoMonitorsAreTwoScreensFlippedAgainstThePrimary)
{
    // "DP-1" holds the screen's output and is the primary; "eDP-1" has no output of its own.
    const QRect big(0, 0, 1000, 900), small(1000, 0, 600, 500);
    struct Case {
        const char* name;
        QRect primary, other;
        QRectF first, second; // the primary comes first
    } cases[] = {
        {"primary on the left", big, small, QRectF(0, 0, 1000, 900), QRectF(1000, 900 - 500, 600, 500)},
        {"primary on the right", small, big,
         QRectF(1000, 0, 600, 500), QRectF(0, 500 - 900, 1000, 900)},
    };
    int changes = 0;
    const Subscription observed = Platform::current().workspace().observe(WorkspaceEvent::ScreenParametersDidChange, [&] { ++changes; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int before = changes;
        deleteMonitors();
        setMonitor("DP-1", c.primary, true, true);
        setMonitor("eDP-1", c.other, false, false);
        Screens& screens = Platform::current().screens();
        // The change reaches the screens through the server's RandR notification.
        std::vector<ScreenInfo> list;
        EXPECT_TRUE(client->waitUntil([&] {
            list = screens.screens();
            return list.size() == 2 && list[0].frame == c.first;
        }));
        ASSERT_EQ(list.size(), 2u);
        EXPECT_TRUE(client->waitUntil([&] {
            scheduler.runPending();
            return changes > before;
        })) << "no screen-parameters notification";
        EXPECT_EQ(list[0].frame, c.first);
        EXPECT_EQ(list[1].frame, c.second);
        // No window manager reserves anything here.
        EXPECT_EQ(list[0].visibleFrame, list[0].frame);
        EXPECT_EQ(list[1].visibleFrame, list[1].frame);
        EXPECT_FALSE(list[0].auxiliaryTopLeftArea.has_value());

        // Each is known by its name atom; the eDP connector is the machine's own panel.
        const std::uint32_t primary = client->atom("DP-1"), panel = client->atom("eDP-1");
        EXPECT_EQ(*list[0].deviceDescription.value(QStringLiteral("NSScreenNumber"))->integer(), primary);
        EXPECT_EQ(*list[1].deviceDescription.value(QStringLiteral("NSScreenNumber"))->integer(), panel);
        EXPECT_EQ(screens.mainDisplayID(), primary);
        EXPECT_EQ(screens.mainScreen()->frame, c.first);
        EXPECT_TRUE(screens.displayIsBuiltin(panel));
        EXPECT_FALSE(screens.displayIsBuiltin(primary));
    }

    // Removing the monitors shows at once; the output's own monitor comes back.
    deleteMonitors();
    std::vector<ScreenInfo> list;
    EXPECT_TRUE(client->waitUntil([&] {
        list = Platform::current().screens().screens();
        return list.size() == 1;
    }));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].frame, QRectF(0, 0, 1600, 900));
}

} // namespace

namespace {

TEST_F(X11MonitorsTest, APreviewShowsTheDesktopAcrossBothMonitors)
{
    QString problem;
    auto manager = WindowManager::start(server->display(), &problem);
    if (!manager)
        LUMIVAST_X11_UNAVAILABLE(problem);
    // Two monitors side by side, the primary on the left, of different heights: one desktop of 1600 x 900.
    deleteMonitors();
    setMonitor("DP-1", QRect(0, 0, 900, 900), true, true);
    setMonitor("eDP-1", QRect(900, 0, 700, 600), false, false);
    ASSERT_TRUE(client->waitUntil([&] { return Platform::current().screens().screens().size() == 2; }));
    const QColor left(0xE0, 0x30, 0x30), right(0x30, 0x60, 0xE0);
    // Another program's windows (pid 1), one on each monitor.
    client->plainWindow(QRect(200, 300, 400, 300), left.rgb() & 0xFFFFFF, 1);
    client->plainWindow(QRect(1100, 200, 300, 300), right.rgb() & 0xFFFFFF, 1);

    Settings::registerDefaults();
    std::optional<SpaceSnapshot> snapshot;
    ASSERT_TRUE(client->waitUntil([&] {
        snapshot = SpaceProvider::snapshot(scheduler);
        return snapshot && snapshot->currentSpace();
    }));
    const QString id = snapshot->currentSpace()->id;
    ThumbnailService previews(scheduler, home.path(QStringLiteral("previews")));
    bool done = false;
    previews.captureActiveSpacesNow(*snapshot, [&] { done = true; });
    ASSERT_TRUE(client->waitUntil([&] {
        scheduler.runPending();
        return done;
    }));
    ASSERT_TRUE(previews.images().contains(id)) << previews.lastError().value_or(QString()).toStdString();

    // The whole desktop in its own shape, each monitor's window where it stands on it.
    const QImage picture = previews.images().at(id).image();
    ASSERT_EQ(picture.size(), QSize(1280, 720));
    const auto near = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) <= 24 && std::abs(a.green() - b.green()) <= 24 && std::abs(a.blue() - b.blue()) <= 24;
    };
    const double scale = 1280.0 / 1600;
    EXPECT_TRUE(near(picture.pixelColor(int(400 * scale), int(450 * scale)), left)) << "the primary monitor's window";
    EXPECT_TRUE(near(picture.pixelColor(int(1250 * scale), int(350 * scale)), right)) << "the other monitor's window";
}

} // namespace
