#include "Core/Shell/KeyNames.h"

#include "Platform/HotKeys.h"

#include <QKeySequence>

namespace lumivast::KeyNames {

QString inApp(QKeyCombination key)
{
    return QKeySequence(key).toString(QKeySequence::NativeText);
}

Qt::KeyboardModifiers hotKeyModifiers(quint32 modifiers)
{
    Qt::KeyboardModifiers result;
    if (modifiers & HotKeyModifier::control)
        result |= Qt::ControlModifier;
    if (modifiers & HotKeyModifier::option)
        result |= Qt::AltModifier;
    if (modifiers & HotKeyModifier::command)
        result |= Qt::MetaModifier;
    if (modifiers & HotKeyModifier::shift)
        result |= Qt::ShiftModifier;
    return result;
}

QString hotKey(quint32 modifiers, Qt::Key key)
{
    return inApp(QKeyCombination(hotKeyModifiers(modifiers), key));
}

} // namespace lumivast::KeyNames
