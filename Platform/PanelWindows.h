#pragma once

#include <cstdint>

class QWindow;

namespace lumivast {

// In stacking order: under normal windows (on the desktop), floating tool
// panels, modal pickers, status items, pop-up menus, overlays, and above all
// of them the labels over Mission Control.
enum class PanelLevel { belowNormal, floating, modal, status, popUpMenu, overlay, screenSaver };

// What the program's own transient windows ask of the window system.
struct PanelTraits {
    bool takesKeys = false;
    bool clickThrough = false;
    PanelLevel level = PanelLevel::floating;
    bool shadow = false;
    bool operator==(const PanelTraits&) const = default;
};

// Makes the program's panels behave as panels on the desktop: shown on
// whichever desktop is current, never listed as applications' windows.
// Main thread.
class PanelWindows {
public:
    virtual ~PanelWindows() = default;
    // Called each time the panel's native window is about to be shown, before
    // it is mapped (what the window manager knows of a window is dropped when
    // it is hidden).
    virtual void preparePanel(QWindow* window, const PanelTraits& traits) = 0;
};

} // namespace lumivast
