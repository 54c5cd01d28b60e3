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

void presentDegradedAlert(AlertService& alerts, const QObject* owner, std::function<void()> dismissed)
{
    alerts.open(Alert{
        .style = Alert::Style::warning,
        .messageText = tr("This version of %1 is not fully supported").arg(Platform::current().parts().words().system),
        .informativeText = tr("Lumivast could not read the Spaces list from the system. It will keep running, but "
                              "space detection may not work."),
        .buttons = {tr("OK")},
    }, owner, [dismissed = std::move(dismissed)](const AlertAnswer&) {
        if (dismissed)
            dismissed();
    });
}

QString shortcutText(OverlayHotKeyPreset preset)
{
    return ShortcutManager::overviewShortcutName(preset);
}

QString onboardingText(const std::optional<QString>& shortcut, const SystemParts& parts)
{
    const SystemParts::Words words = parts.words();
    QString text = QStringLiteral("Lumivast lives in your %1. ").arg(words.statusArea);
    // A key the system refused would not open anything.
    text += shortcut ? QStringLiteral("Press ") + *shortcut + QStringLiteral(" to open the Space overview.")
                     : QStringLiteral("Open the Space overview from its menu.");
    if (!parts.has(SystemParts::Part::permissionPrompts))
        return text;
    return text
        + QStringLiteral("\n\nTwo permissions make it work:\n"
                         "\u2022 Accessibility, to switch spaces.\n"
                         "\u2022 Screen Recording, to capture a preview of each space.\n\n"
                         "%1 will ask for each one now. You can change them later in %2.")
              .arg(words.system, words.systemSettings);
}

void runOnboardingIfNeeded(AlertService& alerts, bool overviewKeyRegistered, const QObject* owner,
                           std::function<void()> done)
{
    UserDefaults& defaults = Settings::defaults();
    if (defaults.boolValue(Settings::Key::didShowOnboarding)) {
        if (done)
            done();
        return;
    }
    defaults.set(Settings::Key::didShowOnboarding, true);

    const SystemParts& parts = Platform::current().parts();
    const bool asks = parts.has(SystemParts::Part::permissionPrompts);
    const std::optional<QString> shortcut =
        overviewKeyRegistered ? std::optional(shortcutText(Settings::overlayHotKey())) : std::nullopt;
    const Alert welcome{
        .style = Alert::Style::standard,
        .messageText = tr("Welcome to Lumivast"),
        .informativeText = onboardingText(shortcut, parts),
        // Nothing to ask for later where the system has no prompts.
        .buttons = asks ? QStringList{tr("Continue"), tr("Later")} : QStringList{tr("OK")},
    };
    alerts.open(welcome, owner, [asks, done = std::move(done)](const AlertAnswer& answer) {
        if (answer.button == 0 && asks) {
            Trust& trust = Platform::current().trust();
            trust.isAccessibilityTrusted(true);
            if (!trust.preflightScreenCaptureAccess())
                trust.requestScreenCaptureAccess();
        }
        if (done)
            done();
    });
}

void reportTakenShortcuts(AlertService& alerts, const QStringList& taken)
{
    if (taken.isEmpty())
        return;
    alerts.open(Alert{
        .style = Alert::Style::warning,
        .messageText = tr("Some shortcuts are taken"),
        .informativeText = tr("Another program already uses these keys: %1. Choose other keys in Settings \u203A Shortcuts.")
                               .arg(taken.join(QStringLiteral(", "))),
        .buttons = {tr("OK")},
    }, nullptr, {});
}

} // namespace lumivast::Alerts
