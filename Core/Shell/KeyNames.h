#pragma once

#include <QKeyCombination>
#include <QString>

// How every text in the program names a key (docs/keys.md). Inside the
// program's own windows and menus keys follow Qt's convention; global hot keys
// are registered with the system's modifiers, where Control is Ctrl, Option is
// Alt and Command is Meta. Either way a text names the key that works here, in
// the desktop's own spelling ("Ctrl+Alt+Left", "Ctrl+Return", "Esc").
namespace lumivast::KeyNames {

// A key pressed inside the program's windows and menus.
QString inApp(QKeyCombination key);
// A global hot key: its modifier mask (HotKeyModifier bits) and its key.
QString hotKey(quint32 modifiers, Qt::Key key);
// The Qt modifiers a global hot key's modifier mask stands for.
Qt::KeyboardModifiers hotKeyModifiers(quint32 modifiers);

} // namespace lumivast::KeyNames
