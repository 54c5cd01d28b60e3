#pragma once

#include "Core/Settings/SettingsEnums.h"

#include <QString>

namespace lumivast {

class AlertService;

// The two alerts the launch may show.
namespace Alerts {

// At launch, when the window-server bridge cannot read the Spaces list.
// Returns when the user has dismissed it.
void presentDegradedAlert(AlertService& alerts);

// Once per user: greets, names the overview shortcut, and after "Continue"
// asks the system for the Accessibility and Screen Recording permissions.
// Marked as shown before it appears, so quitting while it is up does not
// bring it back.
void runOnboardingIfNeeded(AlertService& alerts);

// How the welcome text names the overview shortcut.
QString shortcutText(OverlayHotKeyPreset preset);
QString onboardingText(const QString& shortcut);

} // namespace Alerts

} // namespace lumivast
