#pragma once

#include "Core/Spaces/SpaceModel.h"
#include "Platform/Screens.h"

#include <QPointF>
#include <QRectF>
#include <QString>

#include <cstdint>
#include <optional>

// Maps the window server's display identifiers ("Main" or a display UUID) to
// display numbers and screens, and finds the screen under the pointer.
namespace lumivast::DisplayGeometry {

std::optional<std::uint32_t> directDisplayID(const QString& identifier);
// Whether the screen's "NSScreenNumber" is `displayID`.
bool screen(const ScreenInfo& screen, std::uint32_t displayID);
std::optional<ScreenInfo> screen(const QString& identifier);
// The row of Spaces whose own display this screen is; none when no row's display is on it.
const DisplaySpaces* displayShownOn(const ScreenInfo& screen, const SpaceSnapshot& snapshot);
// The screen under the pointer, else the main screen, else none.
std::optional<ScreenInfo> screenUnderMouse();
// Where something shown for a row of Spaces appears. The "Main" row can span several
// screens (the monitors of one X screen, or every display when they share their Spaces):
// the one under the pointer shows it. Any other row: its own display.
std::optional<ScreenInfo> screenShowing(const QString& identifier);

} // namespace lumivast::DisplayGeometry
