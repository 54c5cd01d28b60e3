#pragma once

#include "Core/Settings/SettingsEnums.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QObject;

namespace lumivast {

class AlertService;
class SystemParts;

// The two alerts the launch may show.
namespace Alerts {

// At launch, when the window-server bridge cannot read the Spaces list.
// `dismissed` runs once the user has dismissed it, while `owner` lives.
void presentDegradedAlert(AlertService& alerts, const QObject* owner = nullptr, std::function<void()> dismissed = {});

// Once per user: greets, names the overview shortcut when it could be
// registered, and after "Continue" asks the system for the Accessibility and
// Screen Recording permissions (where it has such prompts). Marked as shown
// before it appears, so quitting while it is up does not bring it back.
// `done` runs after all that, or at once when there is no welcome to show,
// while `owner` lives.
void runOnboardingIfNeeded(AlertService& alerts, bool overviewKeyRegistered, const QObject* owner = nullptr,
                           std::function<void()> done = {});

// How the welcome text names the overview shortcut.
QString shortcutText(OverlayHotKeyPreset preset);
// `shortcut` none: the overview's key is taken, and the text names no key.
QString onboardingText(const std::optional<QString>& shortcut, const SystemParts& parts);

// At launch, when some global shortcuts could not be registered: which, and
// where to change them. Once per launch; later refusals show in the settings.
void reportTakenShortcuts(AlertService& alerts, const QStringList& taken);

} // namespace Alerts

} // namespace lumivast
