#pragma once

#include "Platform/Lifetime.h"
#include "Platform/PanelWindows.h"
#include "Platform/X11/Session.h"

#include <map>
#include <memory>

namespace lumivast::x11 {

// The program's panels under an EWMH window manager. A panel that takes no
// keys is left to no window manager (override-redirect), so nothing it does
// at a desktop switch can hide it; one under normal windows, and one that
// takes keys, stays managed on every desktop, above (or below) other
// windows, with no taskbar or pager entry. A managed tool window of its own
// would vanish at the first switch (openbox hides it with the desktop it was
// mapped on).
// A window manager that takes over later is asked again for what the
// managed panels asked the last one.
class X11PanelWindows final : public PanelWindows {
public:
    explicit X11PanelWindows(std::shared_ptr<Session> session);
    // Only on the xcb platform is a Qt window an X window.
    void preparePanel(QWindow* window, const PanelTraits& traits) override;
    // The same for an X window on this backend's display.
    void prepare(xcb_window_t window, const PanelTraits& traits);

private:
    void askAgain();

    std::shared_ptr<Session> m_session;
    std::map<xcb_window_t, PanelTraits> m_managed; // main thread
    Lifetime m_lifetime; // the session's handler outlives this
};

} // namespace lumivast::x11
