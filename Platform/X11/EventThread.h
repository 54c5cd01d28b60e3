#pragma once

#include "Platform/X11/Desktops.h"

#include <QByteArray>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace lumivast::x11 {

// Reads X events on a connection of its own and turns them into changes of
// the desktops and of the screen under the pointer. The callbacks run on
// this thread. Stops and joins when destroyed.
class EventThread {
public:
    struct Callbacks {
        std::function<void(const std::vector<Row>& rows, bool currentChanged)> rowsChanged;
        std::function<void(int screen)> pointerScreenChanged;
        // Key presses that reach this connection: those of the keys it grabbed.
        std::function<void(xcb_keycode_t key, std::uint16_t state)> keyPressed;
        std::function<void()> keyboardMappingChanged;
        // Once, from start() on the caller's thread, with this thread's connection: the state later changes are compared with.
        std::function<void(XConnection& x, const std::vector<Row>& rows)> started;
        // A root's client list changed; `root`'s active window changed.
        std::function<void(XConnection& x)> clientsChanged;
        std::function<void(XConnection& x, xcb_window_t root)> activeWindowChanged;
        // XInput 2 raw pointer events (motion, button press and release), when they are selected.
        std::function<void(std::uint16_t type, std::uint32_t detail)> rawPointer;
        // The monitors or a screen's size changed (`layout` true), or only a work area.
        std::function<void(bool layout)> screensChanged;
        // A window this connection watches changed its pid, class, type or desktop property, or a window ended.
        std::function<void(xcb_window_t window, bool ended)> windowFactsChanged;
        // Any event a window listing could show: a property, map state, place or end of a watched
        // window, a root's property, the screens. Called before the event's own callback.
        std::function<void()> listingChanged;
        // Another window manager took over a screen (its check window changed), or a root's desktop names changed.
        std::function<void()> windowManagerChanged;
        std::function<void()> desktopNamesChanged;
        // A root's current desktop was set: once per notification, since a notification carries no
        // value and reading the property later may show it back where it was.
        std::function<void()> currentDesktopNotified;
    };

    EventThread(QByteArray display, Callbacks callbacks);
    ~EventThread();
    EventThread(const EventThread&) = delete;
    EventThread& operator=(const EventThread&) = delete;

    // False when the display cannot be reached.
    bool start();
    // False once the server went away.
    bool running() const { return m_running; }
    // The connection this thread reads; key grabs made on it report here. Valid while the thread object lives.
    XConnection* connection() const { return m_x.get(); }

private:
    void run(XConnection* x, std::vector<Row> rows, int pointer);
    void watchCheckWindows(XConnection& x, const std::vector<Row>& rows);

    QByteArray m_display;
    Callbacks m_callbacks;
    int m_wake = -1; // eventfd that ends the loop
    std::atomic<bool> m_running{false};
    std::unique_ptr<XConnection> m_x;
    std::thread m_thread;
};

} // namespace lumivast::x11
