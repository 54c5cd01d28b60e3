#pragma once

#include "Core/Settings/SettingsEnums.h"

#include <QString>

#include <array>
#include <optional>

namespace lumivast {

// What the settings window shows of the global shortcuts the shortcut manager
// registers, each spelled as the key rule spells a global hot key
// ("Ctrl+Alt+1 … Ctrl+Alt+0"). Built from the settings, never read back from
// the registrations.
struct ShortcutTexts {
    QString switchToDesktops; // "Ctrl+Alt+1 … Ctrl+Alt+0"
    QString previousNext;     // "Ctrl+Alt+Left / Ctrl+Alt+Right"
    QString backToLast;       // "Ctrl+Alt+`"
    QString sendToDesktops;   // "Ctrl+Alt+Shift+1 … Ctrl+Alt+Shift+0"
    QString sendLeftRight;    // "Ctrl+Alt+Shift+Left / Ctrl+Alt+Shift+Right"
    // Find a window, windows on this Space, open an app, scratchpad, set a mark, jump to a mark.
    std::array<QString, 6> tools;

    // Nothing while the desktop shortcuts are off.
    static std::optional<ShortcutTexts> forModifier(DesktopShortcutModifier modifier);
    // The modifier keys alone ("Ctrl+Alt"); empty for off.
    static QString modifierName(DesktopShortcutModifier modifier);
    // The overview's shortcut for a preset ("Alt+Tab").
    static QString presetName(OverlayHotKeyPreset preset);
};

} // namespace lumivast
