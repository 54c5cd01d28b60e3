#pragma once

#include "Platform/Screens.h"
#include "Platform/X11/XConnection.h"

#include <QRect>
#include <QString>

#include <vector>

namespace lumivast::x11 {

// One RandR monitor of one X screen. Qt puts every X screen at 0,0, so the
// screens are laid side by side here, in screen order, to give one global space.
struct Monitor {
    int screen = 0;
    QString name;
    std::uint32_t number = 0; // the name atom, which is the display number
    QRect global;             // top-left origin
    bool primary = false;
    bool builtin = false;     // eDP, LVDS and DSI connectors are the machine's own panel
    QString uuid;             // from the name and the EDID
};

struct Layout {
    std::vector<Monitor> monitors; // the primary first
    std::vector<int> screenOffsets; // global x of each X screen's origin
    double primaryHeight = 0;
    // The monitor showing the menu bar's screen: the default screen's primary.
    const Monitor* primary() const { return monitors.empty() ? nullptr : &monitors.front(); }
};

Layout readLayout(XConnection& x);
// The global x of each X screen's origin: from the connection's setup alone, no request.
std::vector<int> screenOffsets(const XConnection& x);
// Frames and the visible frame (frame ∩ work area), bottom-left origin, as the system lists screens.
std::vector<ScreenInfo> screenInfos(XConnection& x, const Layout& layout);
// The row identifier of the screen a monitor belongs to, as the Spaces list names it.
QString uuidForScreen(int screen);

} // namespace lumivast::x11
