#pragma once

#include "Core/Spaces/SpaceModel.h"
#include "Platform/PlistValue.h"

#include <QString>

#include <optional>

namespace lumivast {

class Scheduler;

// Turns the window server's managed display Spaces list into a snapshot. The
// only place where that list is interpreted.
namespace SpaceProvider {

// Null when the window server gives no usable list.
std::optional<SpaceSnapshot> snapshot(const Scheduler& clock);

// The same from a list and menu-bar display identifier in hand (null values: none given).
std::optional<SpaceSnapshot> snapshot(const PlistValue& list, const PlistValue& menuBarDisplay, const QDateTime& timestamp);

} // namespace SpaceProvider

} // namespace lumivast
