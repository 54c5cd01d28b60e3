#pragma once

#include <QString>

// Opens the settings panes the program sends the user to; the privacy ones
// make the system's own permission request first.
namespace lumivast::Permissions {

inline constexpr const char* kAccessibilityPane = "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";
inline constexpr const char* kScreenRecordingPane = "x-apple.systempreferences:com.apple.preference.security?Privacy_ScreenCapture";
inline constexpr const char* kDesktopSettings = "x-apple.systempreferences:com.apple.Desktop-Settings.extension";
inline constexpr const char* kKeyboardShortcuts = "x-apple.systempreferences:com.apple.Keyboard-Settings.extension?Shortcuts";

void requestAccessibility();
void requestScreenRecording();
void openDesktopSettings();
void openKeyboardShortcuts();

} // namespace lumivast::Permissions
