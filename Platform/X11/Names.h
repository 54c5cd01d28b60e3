#pragma once

#include "Platform/DesktopNames.h"
#include "Platform/Lifetime.h"
#include "Platform/X11/Session.h"

#include <map>
#include <memory>
#include <optional>

namespace lumivast::x11 {

// Writes the user's names into _NET_DESKTOP_NAMES, where the window
// manager's pager and switcher read them. Desktops without a stored name keep
// the window manager's own, names past the desktop count stay, and a name the
// user takes back gives the desktop the window manager's name again. A new
// window manager, or anyone, writing names over ours gets ours written again.
class X11DesktopNames final : public DesktopNames {
public:
    explicit X11DesktopNames(std::shared_ptr<Session> session);
    void setStoredNames(const std::map<std::uint64_t, QString>& names) override;
    // _NET_DESKTOP_NAMES of every managed screen, for its desktops.
    std::map<std::uint64_t, QString> shownNames() override;

private:
    std::shared_ptr<Session> m_session;
    std::optional<std::map<std::uint64_t, QString>> m_names; // the last given
    // By screen and desktop index: the window manager's name before ours, and ours.
    std::map<int, std::map<std::uint32_t, QString>> m_original;
    std::map<int, std::map<std::uint32_t, QString>> m_written;
    Lifetime m_lifetime; // the session's handler outlives this
};

} // namespace lumivast::x11
