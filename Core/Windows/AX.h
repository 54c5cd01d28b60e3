#pragma once

#include "Platform/SystemFunctions.h"

#include <QRectF>

#include <cstdint>
#include <optional>
#include <vector>

// Another application's windows through the Accessibility interface, tied to
// window-server window numbers. Nothing is checked or logged here: without
// the permission, or when the application does not answer in time, the
// results are simply empty.
namespace lumivast::AX {

inline constexpr double kListTimeout = 0.3;
inline constexpr double kFocusTimeout = 0.25;

// The application's window elements in its own order; empty when nothing can be read.
std::vector<sysfn::AXElementRef> windows(std::int32_t pid);
// The first of those whose window number is `windowID`.
std::optional<sysfn::AXElementRef> element(std::uint32_t windowID, std::int32_t pid);
// Position first, then size: a window that refuses the size still moves.
void setFrame(sysfn::AXElementRef element, const QRectF& frame);
// The window number of the application's focused window (0 passed on as the bridge gives it).
std::optional<std::uint32_t> focusedWindowID(std::int32_t pid);

} // namespace lumivast::AX
