#pragma once

#include "Core/Commands/SpaceCommand.h"
#include "Core/Spaces/SpaceModel.h"

#include <functional>
#include <optional>

namespace lumivast {

// The visible name of a Space, as the metadata store decides it.
using DisplayNameLookup = std::function<QString(const Space&)>;

// The Space a reference names in the snapshot, or nothing.
// number: the first desktop with that desktop number (full-screen Spaces have none).
// name: compared lower-cased with each visible name; an exact match anywhere beats a
//       prefix match, which beats a substring match; the empty name matches nothing.
// current: the menu-bar display's active Space.
std::optional<Space> resolve(const SpaceCommand::SpaceRef& ref, const SpaceSnapshot& snapshot,
                             const DisplayNameLookup& displayName);

} // namespace lumivast
