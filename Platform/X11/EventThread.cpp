#include "Platform/X11/EventThread.h"

#include <algorithm>
#include <xcb/randr.h>
#include <xcb/xinput.h>

#include <cerrno>
#include <utility>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace lumivast::x11 {

namespace {

// The parts of a row whose change the Spaces list shows.
bool sameSpaces(const std::vector<Row>& a, const std::vector<Row>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].managed != b[i].managed || a[i].count != b[i].count || a[i].current != b[i].current)
            return false;
    }
    return true;
}

bool sameCurrent(const std::vector<Row>& a, const std::vector<Row>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].managed != b[i].managed || a[i].current != b[i].current)
            return false;
    }
    return true;
}

} // namespace

EventThread::EventThread(QByteArray display, Callbacks callbacks)
    : m_display(std::move(display)), m_callbacks(std::move(callbacks))
{
}

EventThread::~EventThread()
{
    if (m_wake >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(m_wake, &one, sizeof one);
    }
    if (m_thread.joinable())
        m_thread.join();
    if (m_wake >= 0)
        ::close(m_wake);
}

bool EventThread::start()
{
    auto x = XConnection::open(m_display);
    if (!x)
        return false;
    m_wake = ::eventfd(0, EFD_CLOEXEC);
    if (m_wake < 0)
        return false;
    for (std::size_t s = 0; s < x->screens().size(); ++s) {
        const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY
            | XCB_EVENT_MASK_ENTER_WINDOW | XCB_EVENT_MASK_LEAVE_WINDOW;
        xcb_change_window_attributes(x->get(), x->root(int(s)), XCB_CW_EVENT_MASK, &mask);
    }
    // Xvfb reports a new size only through the root's ConfigureNotify; real servers through RandR too.
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(x->get(), &xcb_randr_id);
    if (randr && randr->present) {
        std::free(xcb_randr_query_version_reply(x->get(), xcb_randr_query_version(x->get(), 1, 5), nullptr));
        for (std::size_t s = 0; s < x->screens().size(); ++s)
            xcb_randr_select_input(x->get(), x->root(int(s)),
                                   XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE
                                       | XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE);
    }
    x->flush();
    // The state to compare with is read here, after the events are selected
    // and before the caller goes on: no change made after start() is missed.
    std::vector<Row> rows = readRows(*x);
    watchCheckWindows(*x, rows);
    const int pointer = pointerScreen(*x);
    if (m_callbacks.started)
        m_callbacks.started(*x, rows);
    m_running = true;
    m_x = std::move(x);
    m_thread = std::thread([this, rows = std::move(rows), pointer]() mutable { run(m_x.get(), std::move(rows), pointer); });
    return true;
}

void EventThread::watchCheckWindows(XConnection& x, const std::vector<Row>& rows)
{
    // The check window's end is how a window manager that is killed shows it leaves.
    for (const Row& row : rows) {
        if (row.check != 0) {
            const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(x.get(), row.check, XCB_CW_EVENT_MASK, &mask);
        }
    }
    x.flush();
}

void EventThread::run(XConnection* x, std::vector<Row> rows, int pointer)
{
    const Atoms& a = x->atoms();

    auto isRoot = [&x](xcb_window_t window) {
        for (std::size_t s = 0; s < x->screens().size(); ++s) {
            if (x->root(int(s)) == window)
                return true;
        }
        return false;
    };

    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(x->get(), &xcb_randr_id);
    const std::uint8_t randrEvents = randr && randr->present ? randr->first_event : 0;
    auto screensChanged = [this](bool layout) {
        if (m_callbacks.screensChanged)
            m_callbacks.screensChanged(layout);
    };
    const xcb_query_extension_reply_t* xinput = xcb_get_extension_data(x->get(), &xcb_input_id);
    const std::uint8_t xinputOpcode = xinput && xinput->present ? xinput->major_opcode : 0;

    bool rowsDirty = false;
    bool pointerDirty = false;
    bool clientsDirty = false;
    std::vector<xcb_window_t> activeRoots;
    for (;;) {
        // Replies read below queue the events that arrive meanwhile: drain before sleeping.
        while (xcb_generic_event_t* raw = xcb_poll_for_event(x->get())) {
            Reply<xcb_generic_event_t> event(raw);
            switch (event->response_type & 0x7f) {
            case XCB_KEY_PRESS:
            case XCB_ENTER_NOTIFY:
            case XCB_LEAVE_NOTIFY:
            case XCB_MAPPING_NOTIFY:
            case XCB_GE_GENERIC:
                break; // input: no window changed
            default:
                if (m_callbacks.listingChanged)
                    m_callbacks.listingChanged();
                break;
            }
            switch (event->response_type & 0x7f) {
            case XCB_PROPERTY_NOTIFY: {
                const auto* e = reinterpret_cast<xcb_property_notify_event_t*>(raw);
                if (isRoot(e->window)
                    && (e->atom == a.supportingWmCheck || e->atom == a.numberOfDesktops || e->atom == a.currentDesktop))
                    rowsDirty = true;
                if (isRoot(e->window) && e->atom == a.currentDesktop && m_callbacks.currentDesktopNotified)
                    m_callbacks.currentDesktopNotified();
                if (isRoot(e->window) && e->atom == a.clientList)
                    clientsDirty = true;
                if (isRoot(e->window) && e->atom == a.desktopNames && m_callbacks.desktopNamesChanged)
                    m_callbacks.desktopNamesChanged();
                if (isRoot(e->window) && e->atom == a.activeWindow
                    && std::find(activeRoots.begin(), activeRoots.end(), e->window) == activeRoots.end())
                    activeRoots.push_back(e->window);
                if (isRoot(e->window) && (e->atom == a.workarea || e->atom == a.currentDesktop))
                    screensChanged(false);
                if (!isRoot(e->window) && (e->atom == a.wmPid || e->atom == XCB_ATOM_WM_CLASS || e->atom == a.wmWindowType || e->atom == a.wmDesktop)
                    && m_callbacks.windowFactsChanged)
                    m_callbacks.windowFactsChanged(e->window, false);
                break;
            }
            case XCB_CONFIGURE_NOTIFY:
                if (isRoot(reinterpret_cast<xcb_configure_notify_event_t*>(raw)->window))
                    screensChanged(true);
                break;
            case XCB_DESTROY_NOTIFY:
                rowsDirty = true;
                if (m_callbacks.windowFactsChanged)
                    m_callbacks.windowFactsChanged(reinterpret_cast<xcb_destroy_notify_event_t*>(raw)->window, true);
                break;
            case XCB_ENTER_NOTIFY:
            case XCB_LEAVE_NOTIFY:
                pointerDirty = true;
                break;
            case XCB_KEY_PRESS:
                if (m_callbacks.keyPressed) {
                    const auto* e = reinterpret_cast<xcb_key_press_event_t*>(raw);
                    m_callbacks.keyPressed(e->detail, e->state);
                }
                break;
            case XCB_MAPPING_NOTIFY:
                if (m_callbacks.keyboardMappingChanged)
                    m_callbacks.keyboardMappingChanged();
                break;
            case XCB_GE_GENERIC: {
                const auto* e = reinterpret_cast<xcb_input_raw_button_press_event_t*>(raw);
                if (xinputOpcode && e->extension == xinputOpcode && m_callbacks.rawPointer)
                    m_callbacks.rawPointer(e->event_type, e->detail);
                break;
            }
            default:
                if (randrEvents && ((event->response_type & 0x7f) == randrEvents + XCB_RANDR_SCREEN_CHANGE_NOTIFY
                                    || (event->response_type & 0x7f) == randrEvents + XCB_RANDR_NOTIFY))
                    screensChanged(true);
                break;
            }
        }
        if (x->broken())
            break;
        if (rowsDirty) {
            rowsDirty = false;
            std::vector<Row> next = readRows(*x);
            const bool newManager = std::any_of(next.begin(), next.end(), [&rows](const Row& row) {
                return row.managed && std::size_t(row.screen) < rows.size() && rows[std::size_t(row.screen)].check != row.check;
            });
            if (newManager && m_callbacks.windowManagerChanged)
                m_callbacks.windowManagerChanged();
            if (!sameSpaces(rows, next)) {
                const bool currentChanged = !sameCurrent(rows, next);
                rows = next;
                watchCheckWindows(*x, rows);
                if (m_callbacks.rowsChanged)
                    m_callbacks.rowsChanged(rows, currentChanged);
            } else if (next != rows) {
                rows = next;
                watchCheckWindows(*x, rows);
            }
            continue;
        }
        // Launches before activations: a new application's first window is often focused at once.
        if (clientsDirty) {
            clientsDirty = false;
            if (m_callbacks.clientsChanged)
                m_callbacks.clientsChanged(*x);
            continue;
        }
        if (!activeRoots.empty()) {
            const std::vector<xcb_window_t> roots = std::exchange(activeRoots, {});
            for (xcb_window_t root : roots) {
                if (m_callbacks.activeWindowChanged)
                    m_callbacks.activeWindowChanged(*x, root);
            }
            continue;
        }
        if (pointerDirty) {
            pointerDirty = false;
            const int now = pointerScreen(*x);
            if (now != pointer) {
                pointer = now;
                if (m_callbacks.pointerScreenChanged)
                    m_callbacks.pointerScreenChanged(now);
            }
            continue;
        }
        pollfd fds[2] = {{xcb_get_file_descriptor(x->get()), POLLIN, 0}, {m_wake, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN)
            return;
    }
    // The server went away: so did every window manager on it.
    m_running = false;
    for (Row& row : rows)
        row = Row{row.screen};
    if (m_callbacks.rowsChanged)
        m_callbacks.rowsChanged(rows, true);
}

} // namespace lumivast::x11
