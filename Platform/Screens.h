#pragma once

#include "Platform/PlistValue.h"

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QUuid>

#include <cstdint>
#include <optional>
#include <vector>

namespace lumivast {

// One screen as the system lists it. `frame` is global with the origin at the
// bottom left of the primary screen.
struct ScreenInfo {
    QString localizedName;
    QRectF frame;
    PlistValue deviceDescription; // "NSScreenNumber": the display number
    // The frame less the menu bar (and the Dock, where it sits), same coordinates.
    QRectF visibleFrame;
    // On a screen with a camera housing: the unobscured strips of the top edge
    // left and right of it (same coordinates as `frame`); none elsewhere.
    std::optional<QRectF> auxiliaryTopLeftArea;
    std::optional<QRectF> auxiliaryTopRightArea;
    // How far the camera housing reaches down from the top edge; 0 on a screen without one.
    double safeAreaTopInset = 0;
    bool operator==(const ScreenInfo&) const = default;
};

// Screens, display numbers and the pointer.
class Screens {
public:
    virtual ~Screens() = default;
    virtual std::vector<ScreenInfo> screens() = 0; // in the system's order
    virtual std::optional<ScreenInfo> mainScreen() = 0;
    virtual std::uint32_t mainDisplayID() = 0;
    // 0 when no connected display has this UUID.
    virtual std::uint32_t displayIDFromUUID(const QUuid& uuid) = 0;
    // Whether the display with this number is the machine's own (a laptop's panel).
    virtual bool displayIsBuiltin(std::uint32_t displayID) = 0;
    // Global, origin at the bottom left of the primary screen.
    virtual QPointF pointerLocation() = 0;
    // The thickness of the system's menu bar, the same on every screen.
    virtual double menuBarThickness() = 0;
};

} // namespace lumivast
