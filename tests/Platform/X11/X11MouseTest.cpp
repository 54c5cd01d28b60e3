// The pointer on the real desktop: raw events for global monitors, the application's own events for local ones.
#include "tests/Platform/X11/XServerFixture.h"

#include <gtest/gtest.h>
#include <xcb/xtest.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWindow>

using namespace lumivast;
using namespace lumivast::test::x11;

namespace {

constexpr double kScreenHeight = 982; // the shared desktop's, which frames are flipped against

struct Free {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, Free>;

class X11MouseTest : public SharedDesktopTest {
protected:

    // Input as a device makes it: through XTest, which the server treats as a real device.
    void move(int x, int y)
    {
        xcb_test_fake_input(client->get(), XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, client->root(), std::int16_t(x), std::int16_t(y), 0);
        xcb_flush(client->get());
    }
    void button(bool down, std::uint8_t number = 1)
    {
        xcb_test_fake_input(client->get(), down ? XCB_BUTTON_PRESS : XCB_BUTTON_RELEASE, number, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(client->get());
    }
    bool pointerAt(int x, int y)
    {
        return client->waitUntil([&] {
            Reply<xcb_query_pointer_reply_t> reply(
                xcb_query_pointer_reply(client->get(), xcb_query_pointer(client->get(), client->root()), nullptr));
            return reply && reply->root_x == x && reply->root_y == y;
        });
    }
};

TEST_F(X11MouseTest, RawPointerEventsReachAGlobalMonitorAndNothingIsGrabbed)
{
    // Another client's window under the pointer, which must still get the clicks.
    Client other(display);
    xcb_connection_t* c = other.get();
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t values[] = {1, XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, other.root(), 400, 300, 200, 100, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    xcb_map_window(c, window);
    xcb_flush(c);
    bool mapped = false;
    int presses = 0, releases = 0;
    auto pump = [&] {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            switch (e->response_type & 0x7f) {
            case XCB_MAP_NOTIFY: mapped = true; break;
            case XCB_BUTTON_PRESS: ++presses; break;
            case XCB_BUTTON_RELEASE: ++releases; break;
            default: break;
            }
            std::free(e);
        }
    };
    ASSERT_TRUE(client->waitUntil([&] {
        pump();
        return mapped;
    }));

    Mouse& mouse = Platform::current().mouse();
    std::vector<MouseEvent> seen;
    const auto token = mouse.addGlobalMonitor(maskFor(MouseEventType::mouseMoved) | maskFor(MouseEventType::leftMouseDown)
                                                  | maskFor(MouseEventType::leftMouseDragged) | maskFor(MouseEventType::leftMouseUp),
                                              [&](const MouseEvent& event) { seen.push_back(event); });
    ASSERT_TRUE(token.has_value());
    // Waits until the monitor has seen an event of `type` at the top-left point x, y.
    auto sees = [&](MouseEventType type, double x, double y) {
        return client->waitUntil([&] {
            scheduler.runPending();
            return std::any_of(seen.begin(), seen.end(), [&](const MouseEvent& e) {
                return e.type == type && e.location == QPointF(x, kScreenHeight - y);
            });
        });
    };

    move(440, 340);
    move(450, 350);
    EXPECT_TRUE(sees(MouseEventType::mouseMoved, 450, 350));
    EXPECT_EQ(mouse.eventLocation(), QPointF(450, 350));
    EXPECT_EQ(mouse.pressedMouseButtons(), 0u);

    button(true);
    EXPECT_TRUE(sees(MouseEventType::leftMouseDown, 450, 350));
    EXPECT_EQ(mouse.pressedMouseButtons(), 1u);
    move(470, 360);
    EXPECT_TRUE(sees(MouseEventType::leftMouseDragged, 470, 360));
    button(false);
    EXPECT_TRUE(sees(MouseEventType::leftMouseUp, 470, 360));
    EXPECT_EQ(mouse.pressedMouseButtons(), 0u);

    // The window under the pointer had the click to itself: the monitor grabbed nothing.
    EXPECT_TRUE(client->waitUntil([&] {
        pump();
        return presses == 1 && releases == 1;
    }));

    // A removed monitor hears nothing more; one that wants only the right button hears no left one.
    mouse.removeMonitor(*token);
    seen.clear();
    std::vector<MouseEventType> right;
    const auto rightOnly = mouse.addGlobalMonitor(maskFor(MouseEventType::rightMouseDown) | maskFor(MouseEventType::rightMouseUp),
                                                  [&](const MouseEvent& event) { right.push_back(event.type); });
    ASSERT_TRUE(rightOnly.has_value());
    button(true);
    button(false);
    button(true, 3);
    button(false, 3);
    EXPECT_TRUE(client->waitUntil([&] {
        scheduler.runPending();
        return right.size() == 2;
    }));
    EXPECT_EQ(right, (std::vector<MouseEventType>{MouseEventType::rightMouseDown, MouseEventType::rightMouseUp}));
    EXPECT_TRUE(seen.empty());
    mouse.removeMonitor(*rightOnly);
    mouse.removeMonitor(*rightOnly); // unknown tokens are ignored

    xcb_destroy_window(c, window);
    xcb_flush(c);
}

// A window of the program's own that counts the presses it gets.
class PressCounter : public QWindow {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

TEST_F(X11MouseTest, ALocalMonitorSeesTheProgramsOwnEventsAndMaySwallowThem)
{
    xcb_warp_pointer(client->get(), XCB_NONE, client->root(), 0, 0, 0, 0, 30, 40);
    xcb_flush(client->get());
    ASSERT_TRUE(pointerAt(30, 40));

    Mouse& mouse = Platform::current().mouse();
    PressCounter window;
    std::vector<MouseEvent> seen;
    bool swallow = false;
    const auto token = mouse.addLocalMonitor(maskFor(MouseEventType::leftMouseDown), [&](const MouseEvent& event) {
        seen.push_back(event);
        return swallow ? std::nullopt : std::optional<MouseEvent>(event);
    });
    ASSERT_TRUE(token.has_value());
    auto press = [&window](Qt::MouseButton which) {
        QMouseEvent event(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), which, which, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &event);
    };

    press(Qt::LeftButton);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].type, MouseEventType::leftMouseDown);
    // Where the server has the pointer, as global events say it.
    EXPECT_EQ(seen[0].location, QPointF(30, kScreenHeight - 40));
    EXPECT_EQ(window.presses, 1);

    swallow = true;
    press(Qt::LeftButton);
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(window.presses, 1) << "a swallowed press reached the window";

    press(Qt::RightButton); // not in the mask
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(window.presses, 2);

    mouse.removeMonitor(*token);
    press(Qt::LeftButton);
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(window.presses, 3);
}

} // namespace
