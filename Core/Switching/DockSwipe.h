#pragma once

#include "Platform/Events.h"

#include <QByteArray>

#include <cstdint>
#include <optional>

// Synthetic Dock swipe gestures: moving a display by whole Spaces without the
// sliding animation. The field numbers and values are the window server's
// contract and are reproduced exactly. Newer systems (major version 27 on)
// also want a binary payload appended to each event's serialised form.
namespace lumivast::DockSwipe {

// Gesture phases as the events carry them.
inline constexpr std::int64_t kPhaseBegan = 1;
inline constexpr std::int64_t kPhaseChanged = 2;
inline constexpr std::int64_t kPhaseEnded = 4;
inline constexpr double kSpeed = 9999.0;
inline constexpr int kPayloadSize = 96;

// Posts a swipe of |steps| Spaces, to the right for steps > 0, in the form the
// running system wants. True when every event was posted; steps 0 is false.
bool postSwipe(int steps);
// The two forms, chosen by postSwipe.
bool postPlainSwipe(int steps);
bool postAugmentedSwipe(int steps);

// Whether the running system wants the payload (major version above 26).
// Worked out once per installed platform.
bool requiresIOHIDPayload();
// The global "com.apple.swipescrolldirection": absent or not a whole number
// means on; read at every call.
bool naturalScrollingEnabled();

// x as 16.16 fixed point, clamped to the 32-bit range, truncated toward zero.
std::int32_t fixed(double x);
// The 96 payload bytes for `event` (fields 124, 125 and 126 are read back from it).
QByteArray iohidPayload(const InputEvent& event, std::int64_t phase, double velocity);
// `event` rebuilt from its serialised form with the header and payload
// appended; nothing when the form cannot be taken, is not version 2 or
// cannot be read back.
std::optional<InputEvent> withIOHIDPayload(const InputEvent& event, std::int64_t phase, double velocity);

} // namespace lumivast::DockSwipe
