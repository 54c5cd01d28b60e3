#include "App/Alerts.h"

#include "Core/Settings/Settings.h"
#include "Core/Switching/ShortcutManager.h"
#include "Platform/Platform.h"
#include "UI/Alerts/AlertService.h"

#include <QCoreApplication>

namespace lumivast::Alerts {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("Alerts", text);
}

} // namespace

void presentDegradedAlert(AlertService& alerts)
{
    alerts.run(Alert{
        .style = Alert::Style::warning,
        .messageText = tr("This version of macOS is not fully supported"),
        .informativeText = tr("Lumivast could not read the Spaces list from the system. It will keep running, but "
                              "space detection may not work."),
        .buttons = {tr("OK")},
    });
}

QString shortcutText(OverlayHotKeyPreset preset)
{
    return ShortcutManager::overviewShortcutName(preset);
}

QString onboardingText(const QString& shortcut)
{
    return QStringLiteral("Lumivast lives in your menu bar. Press ") + shortcut
        + QStringLiteral(" to open the Space overview.\n\nTwo permissions make it work:\n"
                         "\u2022 Accessibility, to switch spaces.\n"
                         "\u2022 Screen Recording, to capture a preview of each space.\n\n"
                         "macOS will ask for each one now. You can change them later in System Settings.");
}

void runOnboardingIfNeeded(AlertService& alerts)
{
    UserDefaults& defaults = Settings::defaults();
    if (defaults.boolValue(Settings::Key::didShowOnboarding))
        return;
    defaults.set(Settings::Key::didShowOnboarding, true);

    const int answer = alerts.run(Alert{
        .style = Alert::Style::standard,
        .messageText = tr("Welcome to Lumivast"),
        .informativeText = onboardingText(shortcutText(Settings::overlayHotKey())),
        .buttons = {tr("Continue"), tr("Later")},
    }).button;
    if (answer != 0)
        return;
    Trust& trust = Platform::current().trust();
    trust.isAccessibilityTrusted(true);
    if (!trust.preflightScreenCaptureAccess())
        trust.requestScreenCaptureAccess();
}

} // namespace lumivast::Alerts
