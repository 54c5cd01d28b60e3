#include "UI/Settings/SettingsPanes.h"

#include "UI/Settings/GeneralPane.h"
#include "UI/Settings/SpacesPane.h"
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
    case SettingsTab::shortcuts:
    case SettingsTab::appearance:
    case SettingsTab::overview:
    case SettingsTab::stats:
    case SettingsTab::setup:
    case SettingsTab::backup:
        break;
    }
    return nullptr;
}

} // namespace lumivast
