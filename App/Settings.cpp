// The delegate's side of the settings window: its services, their two hooks,
// and opening the window.

#include "App/AppDelegate.h"

#include "UI/Alerts/AlertService.h"
#include "UI/Alerts/DialogFilePanels.h"

#include <QPointer>

namespace lumivast {

SettingsServices& AppDelegate::settingsServices()
{
    if (!m_settingsServices) {
        if (!m_filePanels)
            m_filePanels = std::make_unique<DialogFilePanels>();
        m_settingsServices = std::make_unique<SettingsServices>(m_watcher, m_store, m_tracker, m_thumbnails,
                                                                m_scheduler, *m_filePanels);
    }
    return *m_settingsServices;
}

SettingsWindowController& AppDelegate::settingsWindow()
{
    if (!m_settingsWindow)
        m_settingsWindow = std::make_unique<SettingsWindowController>(settingsServices());
    return *m_settingsWindow;
}

void AppDelegate::wireSettingsWindow()
{
    QPointer<AppDelegate> self(this);
    SettingsServices& services = settingsServices();
    services.shortcutFailures = [self] {
        return self && self->m_shortcuts ? self->m_shortcuts->failures() : QStringList();
    };
    services.onRunSetup = [self](const Space& space) {
        if (self)
            self->commands().setUp(space);
    };
    services.allowImportedCommands = [self](const QStringList& commands, std::function<void(bool)> decided) {
        if (!self)
            return decided(false);
        Alert alert;
        alert.style = Alert::Style::warning;
        alert.messageText = QStringLiteral("This file contains shell commands");
        alert.informativeText = QStringLiteral("They would run when you enter or leave a Space:\n\n") + commands.join(QLatin1Char('\n'));
        // The first button is the default: nothing runs unless the user says so.
        alert.buttons = {QStringLiteral("Import Without Commands"), QStringLiteral("Import With Commands")};
        self->m_alerts.open(alert, self, [decided = std::move(decided)](const AlertAnswer& answer) {
            decided(answer.button == 1);
        });
    };
    services.apiToken = [] { return LocalAPI::token(); };
}

void AppDelegate::showSettings(std::optional<SettingsTab> tab, std::optional<QString> spaceID)
{
    settingsWindow().show(tab, std::move(spaceID));
}

} // namespace lumivast
