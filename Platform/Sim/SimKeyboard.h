#pragma once

#include "Platform/Keyboard.h"

#include <optional>

namespace lumivast {

// The simulated keyboard: the modifiers a test says are held, else the real
// keyboard's (so a simulated world driven by hand still sees the user's keys).
class SimKeyboard final : public Keyboard {
public:
    std::optional<Qt::KeyboardModifiers> held;
    Qt::KeyboardModifiers heldModifiers() override { return held ? *held : m_real.heldModifiers(); }

private:
    QtKeyboard m_real;
};

} // namespace lumivast
