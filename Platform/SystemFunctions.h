#pragma once

#include "Platform/PlistValue.h"
#include "Platform/SymbolSource.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>


// Signatures of the window-server, Dock, Accessibility and multitouch
// functions that the bridge finds by name through the SymbolSource. Objects
// the system hands out with a reference (CFArray, CFString) are values here.
namespace lumivast::sysfn {

using ConnectionID = std::uint32_t;
using ManagedSpaceID = std::uint64_t;

// Called by the window server with the event code, the event's data and the
// context given at registration.
using NotifyProc = void (*)(std::uint32_t event, void* data, std::size_t length, void* context);

using MainConnectionID = std::function<ConnectionID()>;
using CopyManagedDisplaySpaces = std::function<PlistValue(ConnectionID)>;
using CopyActiveMenuBarDisplayIdentifier = std::function<PlistValue(ConnectionID)>;
using GetActiveSpace = std::function<ManagedSpaceID(ConnectionID)>;
using RegisterConnectionNotifyProc = std::function<std::int32_t(ConnectionID, NotifyProc, std::uint32_t event, void* context)>;

using GetSymbolicHotKeyValue = std::function<std::int32_t(std::int32_t hotKey, std::uint16_t* character, std::uint16_t* keyCode, std::uint32_t* modifiers)>;
using IsSymbolicHotKeyEnabled = std::function<bool(std::int32_t hotKey)>;
using SetSymbolicHotKeyEnabled = std::function<std::int32_t(std::int32_t hotKey, bool enabled)>;

// (connection, mask, array of window numbers) -> array of managed Space numbers, or null.
using CopySpacesForWindows = std::function<PlistValue(ConnectionID, std::int32_t mask, const PlistValue& windows)>;

using AXElementRef = const void*;
using AXUIElementGetWindow = std::function<std::int32_t(AXElementRef, std::uint32_t* windowID)>;

using CoreDockSendNotification = std::function<std::int32_t(const QString& name, std::int32_t flags)>;

using MTDeviceRef = const void*;
// Contact records are 96 bytes each; the normalised position is two floats at bytes 32 and 36.
inline constexpr std::size_t kContactRecordSize = 96;
inline constexpr std::size_t kContactXOffset = 32;
inline constexpr std::size_t kContactYOffset = 36;
using MTContactFrameProc = int (*)(MTDeviceRef device, const void* contacts, std::int32_t count, double timestamp, std::int32_t frame);
// The device list, or null; owned by the system.
using MTDeviceCreateList = std::function<const std::vector<MTDeviceRef>*()>;
using MTRegisterContactFrameCallback = std::function<void(MTDeviceRef, MTContactFrameProc)>;
using MTDeviceStart = std::function<void(MTDeviceRef, std::int32_t runMode)>;

using MoveWindowsToManagedSpace = std::function<void(ConnectionID, const PlistValue& windows, ManagedSpaceID)>;
using SpaceSetCompatID = std::function<std::int32_t(ConnectionID, ManagedSpaceID, std::uint32_t compatID)>;
using SetWindowListWorkspace = std::function<std::int32_t(ConnectionID, const std::uint32_t* windows, std::int32_t count, std::uint32_t workspace)>;

using PerformBridgedOperation = std::function<void(RuntimeObject* operation)>;

} // namespace lumivast::sysfn
