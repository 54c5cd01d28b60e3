#pragma once

#include "Platform/DesktopManagement.h"
#include "Platform/X11/Desktops.h"
#include "Platform/X11/Session.h"

#include <list>
#include <memory>

namespace lumivast::x11 {

// Desktops added and removed with the EWMH requests a pager sends
// (_NET_NUMBER_OF_DESKTOPS, _NET_WM_DESKTOP, _NET_CURRENT_DESKTOP), each
// confirmed by reading the root again until the window manager shows it.
// Main thread; the checks run on the session's scheduler.
class X11DesktopManagement final : public DesktopManagement {
public:
    // The window manager is given up on this long after the request.
    static constexpr Duration kConfirmInterval = 50ms;
    static constexpr int kConfirmChecks = 40;

    explicit X11DesktopManagement(std::shared_ptr<Session> session) : m_session(std::move(session)) {}
    void addDesktop(Completion done) override;
    void removeDesktop(int number, Completion done) override;

private:
    struct Check {
        std::function<bool(XConnection&)> shown;
        Completion done;
        int count = 0;
        WorkItem next;
    };
    using Checks = std::list<Check>;
    // Checks `shown` every kConfirmInterval: done once it holds, notDone after the last check.
    void confirm(std::function<bool(XConnection&)> shown, Completion done);
    void runCheck(Checks::iterator check);
    void finishAtOnce(Completion done, Outcome outcome);

    std::shared_ptr<Session> m_session;
    Checks m_checks; // one per request under way
};

} // namespace lumivast::x11
