#pragma once

#include <QString>

namespace lumivast {

// The operating system's own parts: what the user calls them, and which of
// them this system has. Texts take their words from here, and settings,
// menu items and checks about a part the system lacks are left out rather
// than shown in a state that can never change. The default answer is the
// system the program was first made for; other platforms give their own.
class SystemParts {
public:
    // As they stand in a sentence ("in Finder", "in the file manager"); the
    // computer and the status area take the sentence's own determiner ("on
    // this Mac", "in your menu bar").
    struct Words {
        QString computer = QStringLiteral("Mac");
        QString system = QStringLiteral("macOS");
        QString fileManager = QStringLiteral("Finder");
        QString systemSettings = QStringLiteral("System Settings");
        QString statusArea = QStringLiteral("menu bar");
        bool operator==(const Words&) const = default;
    };

    enum class Part {
        dock,                  // a Dock with app icons and its own preferences
        missionControl,        // Mission Control, its shortcuts and its add-desktop button
        trackpadGestures,      // multi-finger taps and swipes
        shortcutsTool,         // the Shortcuts app and its command-line tool
        appleScript,           // scripting through Apple events
        checkableSettings,     // Spaces settings of the system that the setup checks can read
        permissionPrompts,     // the system asks the user before a program may control or capture
        desktopShortcuts,      // the system's own "Switch to Desktop N" keys
        altTabIsFree,          // Alt+Tab is left to programs (no window switcher of the desktop holds it)
        desktopNames,          // a pager and switcher of the system's own that show the names the program hands over
    };

    virtual ~SystemParts() = default;

    virtual Words words() const { return {}; }
    // The first system has every part but desktop names of its own.
    virtual bool has(Part part) const { return part != Part::desktopNames; }
    // Why the system shows no desktops at all just now, in words for the user
    // ("No window manager is running."); empty while it shows them.
    virtual QString whyNoDesktops() const { return {}; }
};

} // namespace lumivast
