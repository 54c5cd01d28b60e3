#include "Core/Shell/SetupCheck.h"

#include "CGSBridge/CGSBridge.h"
#include "Core/Spaces/Permissions.h"
#include "Platform/Platform.h"

namespace lumivast {

namespace {

// Passes only for a stored Boolean false: a missing key, a value of another
// type or true all need the user's attention.
bool dockSettingIsOff(const QString& key)
{
    const auto value = Platform::current().preferenceDomain(SetupCheck::kDockDomain).object(key);
    return value && value->isBool() && !value->toBool();
}

// Switch to Desktop 1 to 4, asked in order; the first that is off decides.
bool desktopShortcutsEnabled()
{
    for (std::int32_t hotKey = 118; hotKey <= 121; ++hotKey) {
        if (!CGSBridgeIsSymbolicHotKeyEnabled(hotKey))
            return false;
    }
    return true;
}

} // namespace

std::vector<SetupCheck> SetupCheck::all(const QStringList& takenShortcuts)
{
    using Part = SystemParts::Part;
    const SystemParts& parts = Platform::current().parts();
    Trust& trust = Platform::current().trust();
    const QString grant = QStringLiteral("Grant\u2026");
    const QString openSettings = QStringLiteral("Open Settings\u2026");

    // A row the user could never turn green is left out.
    std::vector<SetupCheck> rows;
    if (parts.has(Part::permissionPrompts)) {
        rows.push_back({QStringLiteral("ax"), QStringLiteral("Accessibility"),
                        QStringLiteral("Needed to switch Spaces and move windows."),
                        trust.isAccessibilityTrusted(false), grant, &Permissions::requestAccessibility});
        rows.push_back({QStringLiteral("screen"), QStringLiteral("Screen Recording"), QStringLiteral("Needed for Space previews."),
                        trust.preflightScreenCaptureAccess(), grant, &Permissions::requestScreenRecording});
    }
    if (parts.has(Part::checkableSettings)) {
        rows.push_back({QStringLiteral("mru"), QStringLiteral("Spaces stay in order"),
                        QStringLiteral("Turn off \"Automatically rearrange Spaces based on most recent use\" so numbers and names stay put."),
                        dockSettingIsOff(kMostRecentSpacesKey), openSettings, &Permissions::openDesktopSettings});
        rows.push_back({QStringLiteral("swoosh"), QStringLiteral("No jumping on app switch"),
                        QStringLiteral("Optional: turn off \"When switching to an application, switch to a Space with open windows\"."),
                        dockSettingIsOff(kAutoSwooshKey), openSettings, &Permissions::openDesktopSettings});
    }
    if (parts.has(Part::desktopShortcuts)) {
        rows.push_back({QStringLiteral("hotkeys"), QStringLiteral("Desktop shortcuts"),
                        QStringLiteral("\"Switch to Desktop 1-4\" shortcuts in Keyboard settings back up instant switching."),
                        desktopShortcutsEnabled(), openSettings, &Permissions::openKeyboardShortcuts});
    } else {
        // The program's own keys are what switches here; another program may hold some.
        rows.push_back({QStringLiteral("hotkeys"), QStringLiteral("Shortcuts"),
                        takenShortcuts.isEmpty()
                            ? QStringLiteral("Every shortcut of Lumivast works.")
                            : QStringLiteral("Taken by another program: %1. Choose other keys in Settings \u203A Shortcuts.")
                                  .arg(takenShortcuts.join(QStringLiteral(", "))),
                        takenShortcuts.isEmpty(), std::nullopt, {}});
    }
    return rows;
}

} // namespace lumivast
