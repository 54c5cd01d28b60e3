#pragma once

// The window-server bridge: the only code that calls the system's private
// window-server, Dock, Accessibility and multitouch functions. Each function
// is found by name at run time, once; when what it needs is missing, the
// bridge answers with a neutral value (0, null, false) and never logs.

#include "Platform/PlistValue.h"
#include "Platform/SystemFunctions.h"

#include <QString>

#include <cstdint>

namespace lumivast {

// Option set of what works, as reported by CGSBridgeProbe().
struct CGSBridgeHealth {
    static constexpr std::uint32_t connection = 1;         // a main connection
    static constexpr std::uint32_t managedSpaces = 2;      // the Spaces-list function
    static constexpr std::uint32_t menuBarDisplay = 4;     // the menu-bar display function
    static constexpr std::uint32_t activeSpace = 8;        // the active-Space function
    static constexpr std::uint32_t notifications = 16;     // notification registration
    static constexpr std::uint32_t symbolicHotKeys = 32;   // hot-key value getter and enable setter
    static constexpr std::uint32_t spacesListNonEmpty = 64;
    static constexpr std::uint32_t healthyMask = connection | managedSpaces | spacesListNonEmpty;

    std::uint32_t rawValue = 0;

    bool contains(std::uint32_t bits) const { return (rawValue & bits) == bits; }
    bool isHealthy() const { return contains(healthyMask); }
    bool operator==(const CGSBridgeHealth&) const = default;
};

using CGSBridgeNotifyCallback = void (*)(std::uint32_t event, void* context);
using CGSBridgeTouchCallback = void (*)(std::int32_t fingers, void* context, float x, float y, double timestamp);

// Window-server event codes registered for Space changes, in registration order.
inline constexpr std::uint32_t kSpaceEvents[5] = {1329, 1401, 818, 828, 1322};

// ---- connection and Spaces ----
std::uint32_t CGSBridgeConnection();
// The managed display Spaces list (an array of display dictionaries), or null.
PlistValue CGSBridgeCopyManagedDisplaySpaces();
// "Main" or a display UUID, or null.
PlistValue CGSBridgeCopyActiveMenuBarDisplayIdentifier();
std::uint64_t CGSBridgeActiveSpace();
// True when every event code was registered. `context` is not owned.
bool CGSBridgeRegisterSpaceNotifications(CGSBridgeNotifyCallback callback, void* context);
CGSBridgeHealth CGSBridgeProbe();

// ---- hot keys, windows, Dock, trackpads ----
bool CGSBridgeGetSymbolicHotKey(std::int32_t hotKey, std::uint16_t* keyCode, std::uint32_t* modifiers);
bool CGSBridgeIsSymbolicHotKeyEnabled(std::int32_t hotKey);
bool CGSBridgeSetSymbolicHotKeyEnabled(std::int32_t hotKey, bool enabled);
// Managed Space numbers the window is on, or null.
PlistValue CGSBridgeCopySpacesForWindow(std::uint32_t windowID);
bool CGSBridgeAXWindowID(sysfn::AXElementRef element, std::uint32_t* windowID);
bool CGSBridgeDockNotify(const QString& name);
// The callback runs on the multitouch thread.
bool CGSBridgeStartTouchMonitor(CGSBridgeTouchCallback callback, void* context);

// ---- moving a window to a managed Space ----
bool CGSBridgeMoveWindowToSpace(std::uint32_t windowID, std::uint64_t spaceID);
bool LVMoveBridgedIsAvailable();
bool LVMoveBridged(std::uint32_t windowID, std::uint64_t spaceID);
bool LVMoveManagedSpaceIsAvailable();
bool LVMoveManagedSpace(std::uint32_t connection, std::uint32_t windowID, std::uint64_t spaceID);
bool LVMoveCompatIDIsAvailable();
bool LVMoveCompatID(std::uint32_t connection, std::uint32_t windowID, std::uint64_t spaceID);

} // namespace lumivast
