#pragma once

#include "Platform/Screens.h"

namespace lumivast {

// Whether a compositing manager draws a screen. Without one, the transparent
// parts of a translucent window are not blended with what lies beneath and
// show black, so rounded panels must cut their window to their outline.
// On X11 this is whether the screen's _NET_WM_CM_S<n> selection has an owner.
class Compositing {
public:
    virtual ~Compositing() = default;
    virtual bool isActive(const ScreenInfo& screen) = 0;
};

} // namespace lumivast
