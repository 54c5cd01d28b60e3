#pragma once

// The system's virtual key codes and modifier masks on X keysyms and
// modifiers: one table for posted keys and global hot keys alike.

#include "Platform/X11/XConnection.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace lumivast::x11 {

// The keysym a virtual key code stands for; none for a key without one here.
std::optional<std::uint32_t> keysymFor(std::uint16_t virtualKey);

// The X modifiers, as the server's modifier map assigns them.
struct ModifierMap {
    std::uint16_t control = XCB_MOD_MASK_CONTROL;
    std::uint16_t shift = XCB_MOD_MASK_SHIFT;
    std::uint16_t alt = 0;   // the ModN that holds Alt_L (Mod1 when none does)
    std::uint16_t super = 0; // the ModN that holds Super_L (Mod4 when none does)
    std::uint16_t numLock = 0;
    // Key codes that press each modifier, for synthetic presses.
    xcb_keycode_t controlKey = 0, shiftKey = 0, altKey = 0, superKey = 0;
};
ModifierMap readModifierMap(XConnection& x);
// The X key code of a keysym on this server's keyboard map; 0 when no key makes it.
xcb_keycode_t keycodeFor(XConnection& x, std::uint32_t keysym);

// Event flags (0x20000 Shift, 0x40000 Control, 0x80000 Option, 0x100000 Command) as X modifiers.
std::uint16_t modifiersFromEventFlags(std::uint64_t flags, const ModifierMap& map);
// Carbon hot-key masks (0x100 Command, 0x200 Shift, 0x800 Option, 0x1000 Control) as X modifiers.
std::uint16_t modifiersFromCarbon(std::uint32_t mask, const ModifierMap& map);
// The modifier keys to hold down for `modifiers`, in press order.
std::vector<xcb_keycode_t> modifierKeys(std::uint16_t modifiers, const ModifierMap& map);

} // namespace lumivast::x11
