#include "Platform/X11/OwnWindows.h"

#include <QGuiApplication>
#include <qguiapplication_platform.h>
#include <QWindow>

#include <algorithm>
#include <vector>

namespace lumivast::x11 {

namespace {

constexpr std::uint32_t kStateAdd = 1;

} // namespace

X11PanelWindows::X11PanelWindows(std::shared_ptr<Session> session) : m_session(std::move(session))
{
    m_session->onRootChange(m_lifetime.guard([this](Session::RootChange change) {
        if (change == Session::RootChange::windowManager)
            askAgain();
    }));
}

void X11PanelWindows::askAgain()
{
    const std::map<xcb_window_t, PanelTraits> panels = m_managed;
    for (const auto& [window, traits] : panels)
        prepare(window, traits);
}

void X11PanelWindows::preparePanel(QWindow* window, const PanelTraits& traits)
{
    if (!window || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    const xcb_window_t id = xcb_window_t(window->winId());
    // The toolkit may not have sent the window's creation yet: one round trip on its connection makes it exist for ours.
    if (auto* application = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        if (xcb_connection_t* toolkit = application->connection())
            std::free(xcb_get_input_focus_reply(toolkit, xcb_get_input_focus(toolkit), nullptr));
    }
    prepare(id, traits);
}

void X11PanelWindows::prepare(xcb_window_t window, const PanelTraits& traits)
{
    auto x = m_session->connection();
    if (!x)
        return;
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(x->get(), xcb_get_window_attributes(x->get(), window), &error));
    std::free(error);
    if (!attributes) {
        m_managed.erase(window); // gone
        return;
    }
    const bool mapped = attributes->map_state != XCB_MAP_STATE_UNMAPPED;
    const Atoms& a = x->atoms();
    const bool managed = traits.takesKeys || traits.level == PanelLevel::belowNormal;
    if (!managed) {
        // Decided when the window is mapped: a panel that is up already keeps what it has until shown again.
        if (!mapped && !attributes->override_redirect) {
            const std::uint32_t on = 1;
            xcb_change_window_attributes(x->get(), window, XCB_CW_OVERRIDE_REDIRECT, &on);
        }
    } else {
        m_managed[window] = traits;
        const xcb_atom_t layer = traits.level == PanelLevel::belowNormal ? x->atom("_NET_WM_STATE_BELOW") : a.wmStateAbove;
        const std::vector<xcb_atom_t> wanted{layer, a.wmStateSkipTaskbar, a.wmStateSkipPager};
        if (!mapped) {
            // Properties a client may set before mapping; the toolkit adds its own states to these.
            xcb_change_property(x->get(), XCB_PROP_MODE_REPLACE, window, a.wmDesktop, XCB_ATOM_CARDINAL, 32, 1, &kAllDesktops);
            std::vector<std::uint32_t> states =
                x->readCardinals(x->requestProperty(window, a.wmState, XCB_ATOM_ATOM, 64)).value_or(std::vector<std::uint32_t>{});
            for (xcb_atom_t state : wanted) {
                if (std::find(states.begin(), states.end(), state) == states.end())
                    states.push_back(state);
            }
            xcb_change_property(x->get(), XCB_PROP_MODE_REPLACE, window, a.wmState, XCB_ATOM_ATOM, 32, std::uint32_t(states.size()),
                                states.data());
        } else {
            // The window manager owns them now: it is asked.
            const int screen = x->defaultScreen();
            x->sendRootMessage(screen, window, a.wmDesktop, kAllDesktops, kPagerSource);
            x->sendRootMessage(screen, window, a.wmState, kStateAdd, wanted[0], wanted[1], kPagerSource);
            x->sendRootMessage(screen, window, a.wmState, kStateAdd, wanted[2], 0, kPagerSource);
        }
    }
    // A round trip: the server has carried it out before the toolkit's own connection maps the window.
    Reply<xcb_get_input_focus_reply_t> sync(xcb_get_input_focus_reply(x->get(), xcb_get_input_focus(x->get()), nullptr));
}

} // namespace lumivast::x11
