// The delegate's side of the settings window: its services, their two hooks,
// and opening the window.

#include "App/AppDelegate.h"

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
            self->runSetup(space);
    };
    services.apiToken = [] { return LocalAPI::token(); };
}

void AppDelegate::showSettings(std::optional<SettingsTab> tab, std::optional<QString> spaceID)
{
    settingsWindow().show(tab, std::move(spaceID));
}

} // namespace lumivast
