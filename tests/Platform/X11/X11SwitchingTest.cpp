// Switching the real desktop through the events the Dock reads.
#include "CGSBridge/CGSBridge.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceProvider.h"
#include "Core/Switching/SpaceSwitcher.h"
#include "tests/Platform/X11/XServerFixture.h"

#include <gtest/gtest.h>

using namespace lumivast;
using namespace lumivast::test::x11;

namespace {

class X11SwitchingTest : public SharedDesktopTest {
protected:
    bool landsOn(std::uint32_t index)
    {
        return client->waitUntil([&] { return client->rootCardinal("_NET_CURRENT_DESKTOP") == index; });
    }
    // The Dock's one-step gesture to the right, as the keys send it.
    static void stepRight()
    {
        EventPoster& events = Platform::current().events();
        auto right = events.createKeyboardEvent(124, true);
        right->flags = 0x840000;
        events.post(EventTap::hid, *right);
    }
    Space desktop(const SpaceSnapshot& snapshot, qint64 number)
    {
        for (const Space& space : snapshot.allSpaces()) {
            if (space.desktopNumber == number)
                return space;
        }
        ADD_FAILURE() << "no desktop " << number;
        return {};
    }
};

TEST_F(X11SwitchingTest, BothRoadsSwitchTheRealDesktop)
{
    for (const char* mode : {"instant", "classic"}) {
        SCOPED_TRACE(mode);
        Settings::defaults().set(Settings::Key::switchMode, QString::fromLatin1(mode));
        SpaceSwitcher switcher(scheduler);
        auto snapshot = SpaceProvider::snapshot(scheduler);
        ASSERT_TRUE(snapshot);
        // Far and back one step: Desktop N and the one-step gestures.
        EXPECT_TRUE(switcher.switchTo(desktop(*snapshot, 3), *snapshot));
        EXPECT_TRUE(landsOn(2));
        scheduler.advance(SpaceSwitcher::kInFlightTimeout + 1ms);
        snapshot = SpaceProvider::snapshot(scheduler);
        EXPECT_TRUE(switcher.switchTo(desktop(*snapshot, 2), *snapshot));
        EXPECT_TRUE(landsOn(1));
        showDesktop(0);
    }
}

TEST_F(X11SwitchingTest, OneStepStopsAtTheEndOfTheRow)
{
    EventPoster& events = Platform::current().events();
    auto left = events.createKeyboardEvent(123, true);
    left->flags = 0x840000;
    events.post(EventTap::hid, *left);
    // Nothing to the left of the first desktop: a step right afterwards is the only request.
    stepRight();
    EXPECT_TRUE(landsOn(1));
    EXPECT_EQ(CGSBridgeActiveSpace(), 2u);
}

TEST_F(X11SwitchingTest, AStepAfterAnOutsideSwitchCountsFromTheDesktopShown)
{
    stepRight();
    ASSERT_TRUE(landsOn(1));
    // Another pager shows desktop 3 well within the time a step counts as on its way.
    client->sendRootMessage("_NET_CURRENT_DESKTOP", 2);
    ASSERT_TRUE(landsOn(2));
    stepRight();
    EXPECT_TRUE(landsOn(3));
}

TEST_F(X11SwitchingTest, AStepAfterAnOutsideSwitchBackCountsFromTheDesktopShown)
{
    // Read afterwards, a step that landed followed by a pager showing the first desktop again looks
    // like that step still on its way: the property is where it was when the step was sent.
    int activeChanges = 0;
    Subscription observed = Platform::current().workspace().observe(WorkspaceEvent::ActiveSpaceDidChange, [&] { ++activeChanges; });
    const auto heard = [&](int count) {
        return client->waitUntil([&] {
            scheduler.runPending();
            return activeChanges >= count;
        });
    };
    stepRight();
    ASSERT_TRUE(landsOn(1));
    ASSERT_TRUE(heard(1));
    client->sendRootMessage("_NET_CURRENT_DESKTOP", 0);
    ASSERT_TRUE(landsOn(0));
    ASSERT_TRUE(heard(2));
    stepRight();
    EXPECT_TRUE(landsOn(1));
}

TEST_F(X11SwitchingTest, AHotKeyPressIsConsumedWhileOtherKeysAreTyped)
{
    // A focused window of the test's own that records the keys it gets, on a
    // connection apart from the one whose events the waits drain.
    Client owner(display);
    xcb_connection_t* c = owner.get();
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t mask = XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE | XCB_EVENT_MASK_STRUCTURE_NOTIFY
        | XCB_EVENT_MASK_FOCUS_CHANGE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, client->root(), 10, 10, 200, 100, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    xcb_map_window(c, window);
    xcb_flush(c);
    std::vector<std::uint8_t> pressed; // key codes
    bool mapped = false, focused = false;
    auto pump = [&] {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            switch (e->response_type & 0x7f) {
            case XCB_MAP_NOTIFY: mapped = true; break;
            case XCB_FOCUS_IN: focused = true; break;
            case XCB_KEY_PRESS: pressed.push_back(reinterpret_cast<xcb_key_press_event_t*>(e)->detail); break;
            default: break;
            }
            std::free(e);
        }
    };
    ASSERT_TRUE(client->waitUntil([&] {
        pump();
        if (mapped && !focused) {
            xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
            xcb_flush(c);
        }
        return focused;
    }));

    EventPoster& events = Platform::current().events();
    auto type = [&events](quint16 keyCode, quint64 flags) {
        auto down = events.createKeyboardEvent(keyCode, true);
        down->flags = flags;
        events.post(EventTap::hid, *down);
        events.post(EventTap::hid, *events.createKeyboardEvent(keyCode, false));
    };
    type(0, 0); // "a" reaches the focused window
    ASSERT_TRUE(client->waitUntil([&] {
        pump();
        return !pressed.empty();
    }));
    const std::uint8_t letter = pressed.front();
    pressed.clear();

    type(20, 0x40000); // Control-3: Desktop 3
    EXPECT_TRUE(landsOn(2));
    pump();
    EXPECT_TRUE(pressed.empty()) << "the hot key reached the focused window";
    EXPECT_NE(letter, 0);
    xcb_destroy_window(c, window);
    xcb_flush(c);
}

} // namespace
