#include "UI/Settings/SettingsPanes.h"

#include "UI/Settings/AppearancePane.h"
#include "UI/Settings/BackupPane.h"
#include "UI/Settings/GeneralPane.h"
#include "UI/Settings/OverviewPane.h"
#include "UI/Settings/ProfilesPane.h"
#include "UI/Settings/SetupPane.h"
#include "UI/Settings/ShortcutsPane.h"
#include "UI/Settings/SpacesPane.h"
#include "UI/Settings/StatsPane.h"
#include "UI/Settings/WindowsPane.h"

namespace lumivast {

QWidget* makeSettingsPane(SettingsTab tab, SettingsServices& services, SettingsNavigation& navigation)
{
    switch (tab) {
    case SettingsTab::general:
        return new GeneralPane(services);
    case SettingsTab::spaces:
        return new SpacesPane(services, navigation);
    case SettingsTab::windows:
        return new WindowsPane(services);
    case SettingsTab::profiles:
        return new ProfilesPane(services);
    case SettingsTab::shortcuts:
        return new ShortcutsPane(services);
    case SettingsTab::appearance:
        return new AppearancePane(services);
    case SettingsTab::overview:
        return new OverviewPane(services);
    case SettingsTab::stats:
        return new StatsPane(services);
    case SettingsTab::setup:
        return new SetupPane(services);
    case SettingsTab::backup:
        return new BackupPane(services);
    }
    return nullptr;
}

} // namespace lumivast
