// The X11 backend's desktops as Spaces, on a real X server and window manager.
#include "App/Probe.h"
#include "CGSBridge/CGSBridge.h"
#include "Core/Spaces/SpaceProvider.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Platform/SystemParts.h"
#include "tests/Platform/X11/XServerFixture.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace lumivast;
using namespace lumivast::test::x11;

namespace {

// Counts the window server's notifications by event code (they arrive on the event thread).
struct NotificationCounter {
    std::atomic<int> spaces{0};
    std::atomic<int> pointerScreen{0};
    static void callback(std::uint32_t event, void* context)
    {
        auto* self = static_cast<NotificationCounter*>(context);
        if (event == 1401)
            ++self->spaces;
        if (event == 1322)
            ++self->pointerScreen;
    }
};

// The Spaces list as the program reads it, for suites on the shared server and on servers of their own.
template <class Base>
class SpacesTest : public Base {
protected:
    std::optional<SpaceSnapshot> snapshot() { return SpaceProvider::snapshot(this->scheduler); }
    // Managed numbers of each row, in order.
    std::vector<std::vector<std::uint64_t>> rows()
    {
        std::vector<std::vector<std::uint64_t>> result;
        if (auto s = snapshot()) {
            for (const DisplaySpaces& d : s->displays) {
                result.emplace_back();
                for (const Space& space : d.spaces)
                    result.back().push_back(space.managedID);
            }
        }
        return result;
    }
};

class X11DesktopsTest : public SpacesTest<SharedDesktopTest> {};

TEST_F(X11DesktopsTest, TheProbeListsTheWindowManagersDesktops)
{
    EXPECT_EQ(probeReport(scheduler), (QStringList{
                                          "bridge health: 0b1111111 healthy=true",
                                          "display Main menuBar=true name=screen",
                                          "  * [0] desktop 1 managed=1 id=managed-1",
                                          "    [1] desktop 2 managed=2 id=managed-2",
                                          "    [2] desktop 3 managed=3 id=managed-3",
                                          "    [3] desktop 4 managed=4 id=managed-4",
                                          "accessibility=true screenRecording=true",
                                      }));
}

TEST_F(X11DesktopsTest, TheSpacesListFollowsTheDesktopCount)
{
    const std::vector<std::vector<std::uint64_t>> expected[] = {
        {{1}},
        {{1, 2, 3, 4, 5}},
        {{1, 2, 3, 4}},
    };
    const std::uint32_t counts[] = {1, 5, 4};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(setDesktopCount(display, counts[i]));
        EXPECT_EQ(rows(), expected[i]) << counts[i] << " desktops";
    }
}

TEST_F(X11DesktopsTest, ASwitchByAnotherClientReachesTheWatcher)
{
    SpaceWatcher watcher(scheduler);
    int activeChanges = 0;
    Subscription observed = Platform::current().workspace().observe(WorkspaceEvent::ActiveSpaceDidChange, [&] { ++activeChanges; });
    watcher.start();
    ASSERT_NE(watcher.snapshot().currentSpace(), nullptr);
    EXPECT_EQ(watcher.snapshot().currentSpace()->managedID, 1u);

    client->sendRootMessage("_NET_CURRENT_DESKTOP", 2);
    const bool published = client->waitUntil([&] {
        scheduler.advance(SpaceWatcher::kDebounce);
        const Space* current = watcher.snapshot().currentSpace();
        return current && current->managedID == 3;
    });
    EXPECT_TRUE(published);
    EXPECT_EQ(CGSBridgeActiveSpace(), 3u);
    EXPECT_GE(activeChanges, 1);
}

TEST(X11WithoutDisplay, AnswersAsAnUnhealthyWindowServer)
{
    VirtualScheduler scheduler;
    Platform::install(X11Platform::create(":65123"));
    EXPECT_EQ(CGSBridgeConnection(), 0u);
    EXPECT_TRUE(CGSBridgeCopyManagedDisplaySpaces().isNull());
    EXPECT_EQ(probeReport(scheduler), (QStringList{
                                          "bridge health: 0b111110 healthy=false",
                                          "snapshot unavailable",
                                          "accessibility=true screenRecording=true",
                                      }));
    EXPECT_TRUE(Platform::current().screens().screens().empty());
    Platform::install(SimPlatform::create(SimWorld::defaultWorld()));
}

// A server of its own, first with no window manager at all.
class X11WithoutWindowManagerTest : public SpacesTest<X11PlatformTest> {
protected:
    void SetUp() override
    {
        startServer({QStringLiteral("1512x982x24")});
        if (server)
            use(server->display());
    }
};

TEST_F(X11WithoutWindowManagerTest, ReportsUnhealthyThenPicksUpAWindowManagerThatStartsLater)
{
    EXPECT_EQ(probeReport(scheduler), (QStringList{
                                          "bridge health: 0b111111 healthy=false",
                                          "snapshot unavailable",
                                          "accessibility=true screenRecording=true",
                                      }));
    NotificationCounter counter;
    ASSERT_TRUE(CGSBridgeRegisterSpaceNotifications(&NotificationCounter::callback, &counter));

    const SystemParts& parts = Platform::current().parts();
    EXPECT_EQ(parts.whyNoDesktops(), QStringLiteral("No window manager is running."));
    QString problem;
    auto manager = WindowManager::start(server->display(), &problem);
    if (!manager)
        LUMIVAST_X11_UNAVAILABLE(problem);
    EXPECT_TRUE(client->waitUntil([&] { return counter.spaces.load() >= 1 && !rows().empty(); }));
    EXPECT_TRUE(CGSBridgeProbe().isHealthy());
    EXPECT_EQ(parts.whyNoDesktops(), QString());

    // A window manager that ends takes its desktops along.
    const int before = counter.spaces.load();
    manager->stop();
    EXPECT_TRUE(client->waitUntil([&] { return counter.spaces.load() > before && rows().empty(); }));
    EXPECT_TRUE(CGSBridgeCopyManagedDisplaySpaces().isNull());
    EXPECT_EQ(parts.whyNoDesktops(), QStringLiteral("No window manager is running."));

    // Once more with the watcher: it no longer shows a Space as current, rather than the last one.
    manager = WindowManager::start(server->display(), &problem);
    ASSERT_TRUE(manager) << problem.toStdString();
    ASSERT_TRUE(client->waitUntil([&] { return !rows().empty(); }));
    SpaceWatcher watcher(scheduler);
    watcher.start();
    ASSERT_NE(watcher.snapshot().currentSpace(), nullptr);
    manager->stop();
    EXPECT_TRUE(client->waitUntil([&] {
        scheduler.advance(SpaceWatcher::kDebounce);
        return watcher.snapshot().displays.empty();
    }));
    EXPECT_EQ(watcher.snapshot().currentSpace(), nullptr);
    EXPECT_EQ(parts.whyNoDesktops(), QStringLiteral("No window manager is running."));
}

// Two X screens, each with a window manager's properties of its own (set by
// the test: window managers differ in whether they manage more than one screen).
class X11TwoScreensTest : public SpacesTest<X11PlatformTest> {
protected:
    void SetUp() override
    {
        startServer({QStringLiteral("800x600x24"), QStringLiteral("640x480x24")});
        if (!server)
            return;
        for (int screen = 0; screen < 2; ++screen) {
            const xcb_window_t check = xcb_generate_id(client->get());
            xcb_create_window(client->get(), XCB_COPY_FROM_PARENT, check, client->root(screen), 0, 0, 1, 1, 0,
                              XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
            xcb_change_property(client->get(), XCB_PROP_MODE_REPLACE, check, client->atom("_NET_SUPPORTING_WM_CHECK"),
                                XCB_ATOM_WINDOW, 32, 1, &check);
            client->setRootCardinal("_NET_NUMBER_OF_DESKTOPS", screen == 0 ? 2 : 3, screen);
            client->setRootCardinal("_NET_CURRENT_DESKTOP", screen == 0 ? 0 : 1, screen);
            client->setRootWindow("_NET_SUPPORTING_WM_CHECK", check, screen);
        }
        use(server->display());
    }
};

TEST_F(X11TwoScreensTest, EachScreenIsARowOfItsOwn)
{
    auto s = snapshot();
    ASSERT_TRUE(s);
    ASSERT_EQ(s->displays.size(), 2u);
    EXPECT_EQ(s->displays[0].id, "Main");
    EXPECT_FALSE(QUuid::fromString(s->displays[1].id).isNull());
    EXPECT_EQ(rows(), (std::vector<std::vector<std::uint64_t>>{{1, 2}, {1001, 1002, 1003}}));
    EXPECT_EQ(s->displays[1].activeSpace()->managedID, 1002u);

    // The row's name stays from run to run: a new platform on the same server names it alike.
    const QString second = s->displays[1].id;
    use(server->display());
    EXPECT_EQ(snapshot()->displays[1].id, second);

    // A desktop more on one screen renumbers none of the other's.
    NotificationCounter counter;
    ASSERT_TRUE(CGSBridgeRegisterSpaceNotifications(&NotificationCounter::callback, &counter));
    client->setRootCardinal("_NET_NUMBER_OF_DESKTOPS", 3, 0);
    EXPECT_TRUE(client->waitUntil([&] { return counter.spaces.load() >= 1; }));
    EXPECT_EQ(rows(), (std::vector<std::vector<std::uint64_t>>{{1, 2, 3}, {1001, 1002, 1003}}));
}

TEST_F(X11TwoScreensTest, ARowHoldsOnlyWhatItsWindowManagerStillStandsFor)
{
    const auto activeOn = [&](std::size_t display) -> std::uint64_t {
        const auto s = snapshot();
        if (!s || s->displays.size() <= display || !s->displays[display].activeSpace())
            return 0;
        return s->displays[display].activeSpace()->managedID;
    };
    // A count that shrinks before the current index follows: the last desktop left is the current one.
    client->setRootCardinal("_NET_CURRENT_DESKTOP", 2, 1);
    ASSERT_TRUE(client->waitUntil([&] { return activeOn(1) == 1003u; }));
    client->setRootCardinal("_NET_NUMBER_OF_DESKTOPS", 2, 1);
    ASSERT_TRUE(client->waitUntil([&] { return rows() == std::vector<std::vector<std::uint64_t>>{{1, 2}, {1001, 1002}}; }));
    EXPECT_EQ(activeOn(1), 1002u);

    // A check window that does not point at itself is what a window manager that died leaves: no row.
    const xcb_window_t stale = xcb_generate_id(client->get());
    xcb_create_window(client->get(), XCB_COPY_FROM_PARENT, stale, client->root(0), 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_window_t elsewhere = client->root(0);
    xcb_change_property(client->get(), XCB_PROP_MODE_REPLACE, stale, client->atom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW,
                        32, 1, &elsewhere);
    client->setRootWindow("_NET_SUPPORTING_WM_CHECK", stale, 0);
    EXPECT_TRUE(client->waitUntil([&] { return rows() == std::vector<std::vector<std::uint64_t>>{{1001, 1002}}; }))
        << "a stale check window still stood for its screen";
}

TEST_F(X11TwoScreensTest, ThePointerOnAnotherScreenMovesTheMenuBarDisplay)
{
    EXPECT_EQ(*CGSBridgeCopyActiveMenuBarDisplayIdentifier().string(), "Main");
    EXPECT_EQ(CGSBridgeActiveSpace(), 1u);

    xcb_warp_pointer(client->get(), XCB_NONE, client->root(1), 0, 0, 0, 0, 100, 100);
    xcb_flush(client->get());
    EXPECT_TRUE(client->waitUntil([&] { return Platform::current().screens().pointerLocation() == QPointF(900, 500); }));
    EXPECT_EQ(*CGSBridgeCopyActiveMenuBarDisplayIdentifier().string(), snapshot()->displays[1].id);
    EXPECT_EQ(CGSBridgeActiveSpace(), 1002u);
    EXPECT_TRUE(snapshot()->displays[1].isMenuBarDisplay);

    // The screens lie side by side; frames are flipped against the primary screen's height.
    const std::vector<ScreenInfo> screens = Platform::current().screens().screens();
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0].frame, QRectF(0, 0, 800, 600));
    EXPECT_EQ(screens[1].frame, QRectF(800, 600 - 480, 640, 480));
    EXPECT_EQ(Platform::current().screens().pointerLocation(), QPointF(900, 500));
}

// A screen whose check window has gone has no window manager any more: the windows its leftover
// stacking list names are not listed, while those of the screen that still has one are.
TEST_F(X11TwoScreensTest, OnlyAManagedScreensWindowsAreListed)
{
    xcb_connection_t* c = client->get();
    std::vector<std::int64_t> made;
    for (int screen = 0; screen < 2; ++screen) {
        const xcb_window_t w = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, client->root(screen), 10, 20, 300, 200, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        client->setRootWindow("_NET_CLIENT_LIST_STACKING", w, screen);
        made.push_back(w);
    }
    // A round trip after each change: the server has made it before the platform's connection asks.
    const auto sync = [c] { std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); };
    sync();
    const auto listed = [] {
        std::vector<std::int64_t> ids;
        const PlistValue list = Platform::current().windowList().copyWindowInfo(WindowList::kOptionAll, 0);
        for (const PlistValue& entry : *list.array())
            ids.push_back(entry.value(WindowListKey::number)->integer().value_or(0));
        return ids;
    };
    EXPECT_EQ(listed(), made);

    const auto check = client->rootCardinal("_NET_SUPPORTING_WM_CHECK", 1);
    ASSERT_TRUE(check);
    xcb_destroy_window(c, *check);
    sync();
    EXPECT_EQ(listed(), std::vector<std::int64_t>{made[0]});
}

} // namespace
