#include "Platform/X11/Mouse.h"
#include "Platform/X11/X11Log.h"

#include "Platform/Coordinates.h"

#include <xcb/xinput.h>

#include <QCoreApplication>
#include <QMouseEvent>

#include <atomic>
#include <vector>

namespace lumivast::x11 {

namespace {

constexpr std::uint32_t kRawMask = XCB_INPUT_XI_EVENT_MASK_RAW_MOTION | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS
    | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE;

std::uint32_t buttonsOf(std::uint16_t mask)
{
    std::uint32_t buttons = 0;
    if (mask & XCB_BUTTON_MASK_1)
        buttons |= 1;
    if (mask & XCB_BUTTON_MASK_3)
        buttons |= 2;
    if (mask & XCB_BUTTON_MASK_2)
        buttons |= 4;
    return buttons;
}

// The logical button a physical one is, after the user's button mapping (raw events carry the physical one).
std::uint32_t logicalButton(XConnection& x, std::uint32_t physical)
{
    Reply<xcb_get_pointer_mapping_reply_t> reply(xcb_get_pointer_mapping_reply(x.get(), xcb_get_pointer_mapping(x.get()), nullptr));
    if (!reply || physical == 0 || int(physical) > xcb_get_pointer_mapping_map_length(reply.get()))
        return physical;
    return xcb_get_pointer_mapping_map(reply.get())[physical - 1];
}

} // namespace

std::optional<PointerState> queryPointer(XConnection& x)
{
    const int n = int(x.screens().size());
    std::vector<xcb_query_pointer_cookie_t> cookies;
    for (int s = 0; s < n; ++s)
        cookies.push_back(xcb_query_pointer(x.get(), x.root(s)));
    std::optional<PointerState> state;
    // The X screens lie side by side in screen order.
    int offset = 0;
    for (int s = 0; s < n; ++s) {
        Reply<xcb_query_pointer_reply_t> reply(xcb_query_pointer_reply(x.get(), cookies[std::size_t(s)], nullptr));
        if (reply && reply->same_screen && !state)
            state = PointerState{s, QPointF(offset + reply->root_x, reply->root_y), buttonsOf(reply->mask)};
        offset += x.screens()[std::size_t(s)]->width_in_pixels;
    }
    return state;
}

bool selectRawPointer(XConnection& x, bool on)
{
    Reply<xcb_input_xi_query_version_reply_t> version(
        xcb_input_xi_query_version_reply(x.get(), xcb_input_xi_query_version(x.get(), 2, 2), nullptr));
    if (!version || version->major_version < 2)
        return false;
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t mask;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, on ? kRawMask : 0};
    bool ok = true;
    std::vector<xcb_void_cookie_t> cookies;
    for (std::size_t s = 0; s < x.screens().size(); ++s)
        cookies.push_back(xcb_input_xi_select_events_checked(x.get(), x.root(int(s)), 1, &selection.head));
    for (const xcb_void_cookie_t& cookie : cookies) {
        Reply<xcb_generic_error_t> error(xcb_request_check(x.get(), cookie));
        ok = ok && !error;
    }
    if (!ok)
        qCWarning(lcX11) << "the X server refused the raw pointer events";
    return ok;
}

// ---- X11Mouse ----

struct X11Mouse::State {
    struct Global {
        std::uint64_t mask = 0;
        GlobalHandler handler;
    };
    struct Local {
        std::uint64_t mask = 0;
        LocalHandler handler;
    };
    // Main thread.
    std::map<MonitorToken, Global> globals;
    std::map<MonitorToken, Local> locals;
    MonitorToken next = 1;
    std::unique_ptr<QObject> filter;
    // Set by the event thread while a motion waits for the main thread.
    std::atomic<bool> motionPending{false};

    void deliverGlobal(const MouseEvent& event)
    {
        // Handlers may add or remove monitors; deliver to the ones present now.
        std::vector<MonitorToken> tokens;
        for (const auto& [token, monitor] : globals) {
            if (monitor.mask & maskFor(event.type))
                tokens.push_back(token);
        }
        for (MonitorToken token : tokens) {
            const auto it = globals.find(token);
            if (it == globals.end())
                continue;
            const GlobalHandler handler = it->second.handler;
            handler(event);
        }
    }
};

namespace {

// The program's own mouse events, seen where they reach a window.
class LocalFilter final : public QObject {
public:
    LocalFilter(X11Mouse::State& state, std::weak_ptr<Session> session) : m_state(state), m_session(std::move(session)) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type kind = event->type();
        // A widget's event passes its window first: the window alone counts it.
        if ((kind != QEvent::MouseMove && kind != QEvent::MouseButtonPress && kind != QEvent::MouseButtonRelease)
            || !watched->isWindowType())
            return false;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        std::optional<MouseEventType> type;
        if (kind == QEvent::MouseMove)
            type = mouse->buttons() & Qt::LeftButton ? MouseEventType::leftMouseDragged : MouseEventType::mouseMoved;
        else if (mouse->button() == Qt::LeftButton)
            type = kind == QEvent::MouseButtonPress ? MouseEventType::leftMouseDown : MouseEventType::leftMouseUp;
        else if (mouse->button() == Qt::RightButton)
            type = kind == QEvent::MouseButtonPress ? MouseEventType::rightMouseDown : MouseEventType::rightMouseUp;
        if (!type)
            return false;
        std::vector<MonitorToken> tokens;
        for (const auto& [token, monitor] : m_state.locals) {
            if (monitor.mask & maskFor(*type))
                tokens.push_back(token);
        }
        if (tokens.empty())
            return false;
        // Qt's positions are per X screen and scaled; the server's are what global events carry.
        std::optional<QPointF> location;
        if (auto session = m_session.lock()) {
            if (auto x = session->connection()) {
                if (const auto pointer = queryPointer(*x))
                    location = Coordinates::flipped(pointer->topLeft, session->layout(*x).primaryHeight);
            }
        }
        if (!location)
            return false;
        const MouseEvent delivered{*type, *location};
        for (MonitorToken token : tokens) {
            const auto it = m_state.locals.find(token);
            if (it == m_state.locals.end())
                continue;
            const Mouse::LocalHandler handler = it->second.handler;
            if (!handler(delivered))
                return true; // swallowed: neither later monitors nor the window see it
        }
        return false;
    }

private:
    X11Mouse::State& m_state;
    std::weak_ptr<Session> m_session;
};

} // namespace

X11Mouse::X11Mouse(std::shared_ptr<Session> session) : m_session(std::move(session)), m_state(std::make_shared<State>()) {}

X11Mouse::~X11Mouse()
{
    // The event thread may hold the state a moment longer; the filter goes here, on the main thread.
    m_state->filter.reset();
    if (!m_state->globals.empty())
        m_session->setPointerHandler({});
}

std::optional<MonitorToken> X11Mouse::addGlobalMonitor(std::uint64_t mask, GlobalHandler handler)
{
    if (!handler)
        return std::nullopt;
    if (m_state->globals.empty()) {
        // Runs on the event thread: motion is coalesced there, and everything is handed to the main thread.
        const std::weak_ptr<State> weakState = m_state;
        const std::weak_ptr<Session> weakSession = m_session;
        auto raw = [weakState, weakSession](std::uint16_t type, std::uint32_t detail) {
            auto state = weakState.lock();
            auto session = weakSession.lock();
            if (!state || !session)
                return;
            if (type == XCB_INPUT_RAW_MOTION) {
                if (state->motionPending.exchange(true))
                    return;
            } else if (type != XCB_INPUT_RAW_BUTTON_PRESS && type != XCB_INPUT_RAW_BUTTON_RELEASE) {
                return;
            }
            session->scheduler().post([weakState, weakSession, type, detail] {
                auto state = weakState.lock();
                auto session = weakSession.lock();
                if (!state || !session)
                    return;
                if (type == XCB_INPUT_RAW_MOTION)
                    state->motionPending = false;
                auto x = session->connection();
                const auto pointer = x ? queryPointer(*x) : std::nullopt;
                if (!pointer)
                    return;
                MouseEventType kind;
                if (type == XCB_INPUT_RAW_MOTION) {
                    kind = pointer->buttons & 1 ? MouseEventType::leftMouseDragged : MouseEventType::mouseMoved;
                } else {
                    const bool down = type == XCB_INPUT_RAW_BUTTON_PRESS;
                    const std::uint32_t button = logicalButton(*x, detail);
                    if (button == 1)
                        kind = down ? MouseEventType::leftMouseDown : MouseEventType::leftMouseUp;
                    else if (button == 3)
                        kind = down ? MouseEventType::rightMouseDown : MouseEventType::rightMouseUp;
                    else
                        return; // the middle button and the wheel have no event of their own here
                }
                state->deliverGlobal(MouseEvent{kind, Coordinates::flipped(pointer->topLeft, session->layout(*x).primaryHeight)});
            });
        };
        if (!m_session->setPointerHandler(std::move(raw))) {
            m_session->setPointerHandler({});
            return std::nullopt;
        }
    }
    const MonitorToken token = m_state->next++;
    m_state->globals[token] = State::Global{mask, std::move(handler)};
    return token;
}

std::optional<MonitorToken> X11Mouse::addLocalMonitor(std::uint64_t mask, LocalHandler handler)
{
    // Without an application there are no windows of the program's own to watch.
    if (!handler || !QCoreApplication::instance())
        return std::nullopt;
    if (!m_state->filter) {
        m_state->filter = std::make_unique<LocalFilter>(*m_state, m_session);
        QCoreApplication::instance()->installEventFilter(m_state->filter.get());
    }
    const MonitorToken token = m_state->next++;
    m_state->locals[token] = State::Local{mask, std::move(handler)};
    return token;
}

void X11Mouse::removeMonitor(MonitorToken token)
{
    if (m_state->globals.erase(token) && m_state->globals.empty())
        m_session->setPointerHandler({});
    if (m_state->locals.erase(token) && m_state->locals.empty())
        m_state->filter.reset(); // a filter that goes leaves the application's list
}

std::uint32_t X11Mouse::pressedMouseButtons()
{
    auto x = m_session->connection();
    const auto pointer = x ? queryPointer(*x) : std::nullopt;
    return pointer ? pointer->buttons : 0;
}

std::optional<QPointF> X11Mouse::eventLocation()
{
    auto x = m_session->connection();
    const auto pointer = x ? queryPointer(*x) : std::nullopt;
    if (!pointer)
        return std::nullopt;
    return pointer->topLeft;
}

} // namespace lumivast::x11
