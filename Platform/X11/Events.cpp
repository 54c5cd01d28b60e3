#include "Platform/X11/Events.h"

#include "Platform/X11/Desktops.h"
#include "Platform/X11/Keys.h"
#include "Platform/X11/Monitors.h"
#include "Platform/X11/X11Log.h"

#include <xcb/xtest.h>


#include <algorithm>
#include <chrono>

namespace lumivast::x11 {

namespace {

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The X screen and the point on it for a global top-left point; the default screen when none holds it.
std::pair<int, QPoint> onScreen(XConnection& x, const QPointF& global)
{
    const Layout layout = readLayout(x);
    const int gx = int(std::lround(global.x()));
    const int gy = int(std::lround(global.y()));
    for (std::size_t s = 0; s < x.screens().size(); ++s) {
        const int offset = layout.screenOffsets[s];
        if (gx >= offset && gx < offset + x.screens()[s]->width_in_pixels)
            return {int(s), QPoint(gx - offset, gy)};
    }
    const int s = x.defaultScreen();
    return {s, QPoint(gx - layout.screenOffsets[std::size_t(s)], gy)};
}

} // namespace

X11Events::X11Events(std::shared_ptr<Session> session, Symbols& symbols) : m_session(std::move(session)), m_symbols(symbols) {}

std::optional<InputEvent> X11Events::createEvent()
{
    InputEvent event;
    event.timestamp = hostTime();
    return event;
}

void X11Events::post(EventTap tap, const InputEvent& event)
{
    auto x = m_session->connection();
    if (!x)
        return;
    const bool key = event.type == InputEvent::Type::keyDown || event.type == InputEvent::Type::keyUp;
    if (event.type >= InputEvent::Type::mouseMoved) {
        fakeMouse(*x, event);
        return;
    }
    const auto hotKeys = m_symbols.hotKeys();
    if (key) {
        if (event.type == InputEvent::Type::keyUp && m_consumedKeys.erase(event.keyCode))
            return;
        if (event.type == InputEvent::Type::keyDown && DockEventReader::matchingHotKey(event, hotKeys)) {
            m_consumedKeys.insert(event.keyCode);
        } else {
            if (tap == EventTap::hid)
                fakeKey(*x, event);
            return;
        }
    }
    const DockEventReader::Context context{hotKeys, 15, true};
    if (const auto request = m_reader.read(event, context, m_log))
        act(*x, *request);
}

void X11Events::act(XConnection& x, const DockRequest& request)
{
    // Counted before the rows are read, so every change counted shows in them.
    const std::uint64_t changes = m_session->currentDesktopChanges();
    const std::vector<Row> rows = readRows(x);
    int screen = -1;
    std::uint32_t index = 0;
    if (request.kind == DockRequest::Kind::desktop) {
        // Desktops are numbered across the rows in order, as the Spaces list gives them.
        int counted = 0;
        for (const Row& row : rows) {
            if (row.managed && request.value > counted && request.value <= counted + int(row.count)) {
                screen = row.screen;
                index = std::uint32_t(request.value - counted - 1);
            }
            counted += int(row.count);
        }
        if (screen < 0) {
            m_log << QStringLiteral("ignored %1: no Desktop %2").arg(request.cause).arg(request.value);
            return;
        }
    } else {
        screen = pointerScreen(x);
        const Row& row = rows[std::size_t(screen)];
        if (!row.managed) {
            m_log << QStringLiteral("ignored %1: no window manager on screen %2").arg(request.cause).arg(screen);
            return;
        }
        // Steps taken before the last one landed count from where that one is going; once the
        // desktop shown changed otherwise (another pager, wmctrl), from the one shown.
        const std::uint32_t from = pendingTarget(screen, row.current, changes).value_or(row.current);
        const qint64 next = qint64(from) + request.value;
        if (next < 0 || next >= qint64(row.count)) {
            m_log << QStringLiteral("ignored %1: no Space %2 of screen %3")
                         .arg(request.cause, request.value < 0 ? QStringLiteral("left") : QStringLiteral("right"))
                         .arg(screen);
            return;
        }
        index = std::uint32_t(next);
    }
    m_log << QStringLiteral("request screen %1 -> desktop %2 by %3").arg(screen).arg(index + 1).arg(request.cause);
    (void)pendingTarget(screen, rows[std::size_t(screen)].current, changes); // brought up to date before one more joins
    Pending& pending = m_pending[screen];
    if (pending.targets.empty()) {
        pending.shown = rows[std::size_t(screen)].current;
        pending.changes = changes;
    }
    pending.targets.push_back(index);
    pending.sentAt = nowMs();
    requestDesktop(x, screen, index);
}

std::optional<std::uint32_t> X11Events::pendingTarget(int screen, std::uint32_t shown, std::uint64_t changes)
{
    const auto it = m_pending.find(screen);
    if (it == m_pending.end())
        return std::nullopt;
    Pending& pending = it->second;
    if (nowMs() - pending.sentAt >= kPendingMs) {
        // Not one change of the desktop shown since: the window manager let the request go.
        if (!pending.targets.empty() && changes == pending.changes && shown == pending.shown)
            qCInfo(lcX11).nospace() << "the window manager did not switch screen " << screen << " to desktop "
                                    << pending.targets.front() + 1 << " within " << kPendingMs << " ms";
        pending.targets.clear();
    } else if (shown != pending.shown) {
        // Our requests land in the order they were sent; a desktop that is none of them was someone else's.
        const auto landed = std::find(pending.targets.begin(), pending.targets.end(), shown);
        if (landed == pending.targets.end()) {
            pending.targets.clear();
        } else {
            pending.changes += std::uint64_t(landed - pending.targets.begin() + 1); // one notification each
            pending.targets.erase(pending.targets.begin(), landed + 1);
        }
        pending.shown = shown;
    } else if (changes > pending.changes) {
        // Shown as before, yet set more often than ours landed: someone else switched back.
        pending.targets.clear();
    }
    if (pending.targets.empty())
        return std::nullopt;
    return pending.targets.back();
}

void X11Events::fakeKey(XConnection& x, const InputEvent& event)
{
    const auto keysym = keysymFor(event.keyCode);
    const xcb_keycode_t code = keysym ? keycodeFor(x, *keysym) : 0;
    if (!code)
        return;
    const ModifierMap map = readModifierMap(x);
    const std::vector<xcb_keycode_t> modifiers = modifierKeys(modifiersFromEventFlags(event.flags, map), map);
    const bool down = event.type == InputEvent::Type::keyDown;
    // A press carries its modifiers: held around the key, released after it.
    if (down) {
        for (xcb_keycode_t m : modifiers)
            xcb_test_fake_input(x.get(), XCB_KEY_PRESS, m, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }
    xcb_test_fake_input(x.get(), down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    if (down) {
        for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
            xcb_test_fake_input(x.get(), XCB_KEY_RELEASE, *it, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }
    x.flush();
}

void X11Events::fakeMouse(XConnection& x, const InputEvent& event)
{
    const auto [screen, point] = onScreen(x, event.location);
    xcb_test_fake_input(x.get(), XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, x.root(screen), std::int16_t(point.x()),
                        std::int16_t(point.y()), 0);
    if (event.type == InputEvent::Type::leftMouseDown)
        xcb_test_fake_input(x.get(), XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    else if (event.type == InputEvent::Type::leftMouseUp)
        xcb_test_fake_input(x.get(), XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    x.flush();
}

void X11Events::postToProcess(std::int32_t pid, const InputEvent& event)
{
    auto x = m_session->connection();
    if (!x || (event.type != InputEvent::Type::keyDown && event.type != InputEvent::Type::keyUp))
        return;
    // The process's latest window: the client list is in mapping order.
    std::vector<xcb_window_t> clients;
    for (std::size_t s = 0; s < x->screens().size(); ++s) {
        if (auto list = x->readCardinals(x->requestProperty(x->root(int(s)), x->atoms().clientList, XCB_ATOM_WINDOW, 4096)))
            clients.insert(clients.end(), list->begin(), list->end());
    }
    std::vector<xcb_get_property_cookie_t> pids;
    for (xcb_window_t w : clients)
        pids.push_back(x->requestProperty(w, x->atoms().wmPid, XCB_ATOM_CARDINAL, 1));
    xcb_window_t target = XCB_NONE;
    for (std::size_t i = 0; i < clients.size(); ++i) {
        const auto value = x->readCardinals(pids[i]);
        if (value && !value->empty() && std::int32_t((*value)[0]) == pid)
            target = clients[i];
    }
    const auto keysym = keysymFor(event.keyCode);
    const xcb_keycode_t code = keysym ? keycodeFor(*x, *keysym) : 0;
    if (target == XCB_NONE || !code)
        return;
    const ModifierMap map = readModifierMap(*x);
    xcb_key_press_event_t key{};
    key.response_type = event.type == InputEvent::Type::keyDown ? XCB_KEY_PRESS : XCB_KEY_RELEASE;
    key.detail = code;
    key.time = XCB_CURRENT_TIME;
    key.event = target;
    key.child = XCB_NONE;
    key.same_screen = 1;
    key.state = modifiersFromEventFlags(event.flags, map);
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(x->get(), xcb_get_geometry(x->get(), target), nullptr));
    key.root = geometry ? geometry->root : x->root(x->defaultScreen());
    xcb_send_event(x->get(), 1, target, key.response_type == XCB_KEY_PRESS ? XCB_EVENT_MASK_KEY_PRESS : XCB_EVENT_MASK_KEY_RELEASE,
                   reinterpret_cast<const char*>(&key));
    x->flush();
}

bool X11Events::warpPointer(const QPointF& point)
{
    auto x = m_session->connection();
    if (!x)
        return false;
    const auto [screen, local] = onScreen(*x, point);
    const xcb_void_cookie_t cookie = xcb_warp_pointer_checked(x->get(), XCB_NONE, x->root(screen), 0, 0, 0, 0,
                                                              std::int16_t(local.x()), std::int16_t(local.y()));
    Reply<xcb_generic_error_t> error(xcb_request_check(x->get(), cookie));
    if (error)
        qCWarning(lcX11) << "the X server refused to move the pointer, error" << error->error_code;
    return !error;
}

quint32 X11Events::pressedMouseButtons()
{
    auto x = m_session->connection();
    if (!x)
        return 0;
    const int screen = pointerScreen(*x);
    Reply<xcb_query_pointer_reply_t> reply(xcb_query_pointer_reply(x->get(), xcb_query_pointer(x->get(), x->root(screen)), nullptr));
    if (!reply)
        return 0;
    quint32 buttons = 0;
    if (reply->mask & XCB_BUTTON_MASK_1)
        buttons |= 1;
    if (reply->mask & XCB_BUTTON_MASK_3)
        buttons |= 2;
    if (reply->mask & XCB_BUTTON_MASK_2)
        buttons |= 4;
    return buttons;
}

quint64 X11Events::hostTime()
{
    using namespace std::chrono;
    return quint64(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace lumivast::x11
