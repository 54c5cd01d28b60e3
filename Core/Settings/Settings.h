#pragma once

#include "Core/Settings/SettingsEnums.h"
#include "Platform/UserDefaults.h"

#include <QJsonValue>
#include <QMap>
#include <QStringList>

#include <span>

namespace lumivast::Settings {

// Setting keys. Components read the key they need at the moment they act.
namespace Key {
inline const QString menuBarStyle = QStringLiteral("menuBarStyle");
inline const QString menuBarShowsIcon = QStringLiteral("menuBarShowsIcon");
inline const QString hudEnabled = QStringLiteral("hudEnabled");
inline const QString hudDuration = QStringLiteral("hudDuration");
inline const QString thumbnailsEnabled = QStringLiteral("thumbnailsEnabled");
inline const QString thumbnailRefreshInterval = QStringLiteral("thumbnailRefreshInterval");
inline const QString switchMode = QStringLiteral("switchMode");
inline const QString overlayHotKey = QStringLiteral("overlayHotKey");
inline const QString overlayShowsAllDisplays = QStringLiteral("overlayShowsAllDisplays");
inline const QString didShowOnboarding = QStringLiteral("didShowOnboarding");
inline const QString askToNameNewSpaces = QStringLiteral("askToNameNewSpaces");
inline const QString missionControlLabels = QStringLiteral("missionControlLabels");
inline const QString desktopShortcutModifier = QStringLiteral("desktopShortcutModifier");
inline const QString moveWindowShortcuts = QStringLiteral("moveWindowShortcuts");
inline const QString navigationShortcuts = QStringLiteral("navigationShortcuts");
inline const QString wrapAround = QStringLiteral("wrapAround");
inline const QString skipEmptyWhenCycling = QStringLiteral("skipEmptyWhenCycling");
inline const QString hideEmptySpaces = QStringLiteral("hideEmptySpaces");
inline const QString hideFullscreenSpaces = QStringLiteral("hideFullscreenSpaces");
inline const QString showAppIcons = QStringLiteral("showAppIcons");
inline const QString switchSound = QStringLiteral("switchSound");
inline const QString speakSpaceNames = QStringLiteral("speakSpaceNames");
inline const QString hudPosition = QStringLiteral("hudPosition");
inline const QString hudSize = QStringLiteral("hudSize");
inline const QString hotCorner = QStringLiteral("hotCorner");
inline const QString notchHover = QStringLiteral("notchHover");
inline const QString menuBarScrollSwitches = QStringLiteral("menuBarScrollSwitches");
inline const QString floatingToolbar = QStringLiteral("floatingToolbar");
inline const QString desktopLabel = QStringLiteral("desktopLabel");
inline const QString desktopLabelPosition = QStringLiteral("desktopLabelPosition");
inline const QString dockClickProtection = QStringLiteral("dockClickProtection");
inline const QString timeTracking = QStringLiteral("timeTracking");
inline const QString runAutomations = QStringLiteral("runAutomations");
inline const QString followMovedWindow = QStringLiteral("followMovedWindow");
inline const QString backAndForth = QStringLiteral("backAndForth");
inline const QString autoNameSpaces = QStringLiteral("autoNameSpaces");
inline const QString restoreFocus = QStringLiteral("restoreFocus");
inline const QString spaceLock = QStringLiteral("spaceLock");
inline const QString applyAppRules = QStringLiteral("applyAppRules");
inline const QString autoSaveLayout = QStringLiteral("autoSaveLayout");
inline const QString restoreOnDisplayReconnect = QStringLiteral("restoreOnDisplayReconnect");
inline const QString gridColumns = QStringLiteral("gridColumns");
inline const QString groupOverview = QStringLiteral("groupOverview");
inline const QString scratchpadApp = QStringLiteral("scratchpadApp");
inline const QString spaceDock = QStringLiteral("spaceDock");
inline const QString fourFingerTap = QStringLiteral("fourFingerTap");
inline const QString localAPI = QStringLiteral("localAPI");
inline const QString activeProfile = QStringLiteral("activeProfile");

// Not registered: readers supply their own default.
inline const QString overviewOrder = QStringLiteral("overviewOrder");
inline const QString profileByDisplaySetup = QStringLiteral("profileByDisplaySetup");
inline const QString recentSpaceNames = QStringLiteral("recentSpaceNames");
inline const QString demoMode = QStringLiteral("demoMode");
} // namespace Key

enum class ValueType { Bool, Double, Int, String, StringList, Dictionary };

struct Registered {
    QString key;
    ValueType type;
    QJsonValue defaultValue;
};

// The registered settings in registration order.
std::span<const Registered> registered();
// The type a key's value must have (registered keys and overviewOrder); nothing for unknown keys.
std::optional<ValueType> typeOf(const QString& key);
bool valueHasType(const QJsonValue& value, ValueType type);

// The settings a backup carries, in order.
const QStringList& exportableKeys();

UserDefaults& defaults();
void registerDefaults();

SwitchMode switchMode();
DesktopShortcutModifier desktopShortcutModifier();
OverlayHotKeyPreset overlayHotKey();
HUDPosition hudPosition();
HUDSize hudSize();
DesktopLabelPosition desktopLabelPosition();
QMap<QString, QString> profileByDisplaySetup();

} // namespace lumivast::Settings
