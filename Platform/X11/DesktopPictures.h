#pragma once

#include "Platform/Workspace.h"
#include "Platform/X11/Session.h"

#include <QImage>
#include <QString>

#include <expected>
#include <memory>

namespace lumivast::x11 {

// A desktop picture per desktop, where X keeps one picture on each root. The
// picture chosen for a desktop is kept in the program's data folder (its own
// copy, owner-only); whenever that desktop is shown, the root's background is
// set from it the way root-picture setters do it (_XROOTPMAP_ID and
// ESETROOT_PMAP_ID, scaled to fill each monitor), so panels, compositors and
// the program's own captures see it. Desktops without one are left alone.
// Main thread.
class X11DesktopPictures {
public:
    explicit X11DesktopPictures(std::shared_ptr<Session> session);
    X11DesktopPictures(const X11DesktopPictures&) = delete;
    X11DesktopPictures& operator=(const X11DesktopPictures&) = delete;

    // Keeps `file` as the picture of the desktop that X screen `screen` shows now, and shows it.
    std::expected<void, QString> choose(const QString& file, int screen);
    // Shows the kept picture of the desktop each screen shows now.
    void showCurrent();
    // Where the picture of a desktop is kept.
    static QString pathFor(int screen, std::uint32_t desktop);

private:
    bool show(int screen, std::uint32_t desktop);

    std::shared_ptr<Session> m_session;
    Subscription m_activeSpace;
    std::map<int, std::uint32_t> m_shown; // by screen: the desktop whose picture the root has from us
};

} // namespace lumivast::x11
