#pragma once

#include "Core/Shell/SettingsTab.h"

class QWidget;

namespace lumivast {

class SettingsNavigation;
class SettingsServices;

// A new pane for `tab`; null for a tab whose pane this build lacks (the detail then stays empty).
QWidget* makeSettingsPane(SettingsTab tab, SettingsServices& services, SettingsNavigation& navigation);

} // namespace lumivast
