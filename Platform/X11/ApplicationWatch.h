#pragma once

#include "Platform/RunningApplications.h"
#include "Platform/X11/XConnection.h"

#include <map>
#include <optional>
#include <vector>

namespace lumivast::x11 {

// Which applications run and which one is active, as the window manager's
// client list and active window show them: an application launches with its
// pid's first client window and ends with its last. Event thread only.
class ApplicationWatch {
public:
    struct Changes {
        std::vector<RunningApplication> launched;
        std::vector<RunningApplication> terminated;
    };
    struct Activation {
        RunningApplication application;
        xcb_window_t window = 0;
        bool newApplication = false; // another application than the last active one
    };

    // Takes the present state as the one later changes are compared with.
    void reset(XConnection& x);
    // After a change of a client list. While no screen has a window manager
    // nothing is reported: its leaving ends no application.
    Changes clientsChanged(XConnection& x);
    // After a change of `root`'s active window: that window and the
    // application that owns it; none when no window has the focus.
    std::optional<Activation> activeWindowChanged(XConnection& x, xcb_window_t root);

private:
    // Each client window owner's window class, or none when no screen is managed.
    std::optional<std::map<std::int32_t, QString>> readOwners(XConnection& x);
    RunningApplication describe(std::int32_t pid, const QString& windowClass);

    std::map<std::int32_t, QString> m_running;
    std::int32_t m_activePID = 0;
};

} // namespace lumivast::x11
