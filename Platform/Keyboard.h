#pragma once

#include <Qt>

namespace lumivast {

// The keyboard as it is at the moment of asking. Modifiers are named as the
// program's own windows name them: Option is Alt, Command is Ctrl, Control is Meta.
class Keyboard {
public:
    virtual ~Keyboard() = default;
    virtual Qt::KeyboardModifiers heldModifiers() = 0;
};

// The desktop's answer, through Qt's query of the keyboard.
class QtKeyboard final : public Keyboard {
public:
    Qt::KeyboardModifiers heldModifiers() override;
};

} // namespace lumivast
