#include "Platform/Keyboard.h"

#include <QGuiApplication>

namespace lumivast {

Qt::KeyboardModifiers QtKeyboard::heldModifiers()
{
    return QGuiApplication::queryKeyboardModifiers();
}

} // namespace lumivast
