#include "Core/Settings/Settings.h"

#include "Platform/Platform.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <vector>

namespace lumivast::Settings {

namespace {

using T = ValueType;

const std::vector<Registered>& table()
{
    static const std::vector<Registered> rows = {
        {Key::menuBarStyle, T::String, QStringLiteral("name")},
        {Key::menuBarShowsIcon, T::Bool, true},
        {Key::hudEnabled, T::Bool, true},
        {Key::hudDuration, T::Double, 1.2},
        {Key::thumbnailsEnabled, T::Bool, true},
        {Key::thumbnailRefreshInterval, T::Double, 30.0},
        {Key::switchMode, T::String, QStringLiteral("instant")},
        {Key::overlayHotKey, T::String, QStringLiteral("optionTab")},
        {Key::overlayShowsAllDisplays, T::Bool, true},
        {Key::didShowOnboarding, T::Bool, false},
        {Key::askToNameNewSpaces, T::Bool, true},
        {Key::missionControlLabels, T::Bool, true},
        {Key::desktopShortcutModifier, T::String, QStringLiteral("controlOption")},
        {Key::moveWindowShortcuts, T::Bool, true},
        {Key::navigationShortcuts, T::Bool, true},
        {Key::wrapAround, T::Bool, true},
        {Key::skipEmptyWhenCycling, T::Bool, false},
        {Key::hideEmptySpaces, T::Bool, false},
        {Key::hideFullscreenSpaces, T::Bool, false},
        {Key::showAppIcons, T::Bool, true},
        {Key::switchSound, T::String, QString()},
        {Key::speakSpaceNames, T::Bool, false},
        {Key::hudPosition, T::String, QStringLiteral("top")},
        {Key::hudSize, T::String, QStringLiteral("regular")},
        {Key::hotCorner, T::String, QStringLiteral("none")},
        {Key::notchHover, T::Bool, false},
        {Key::menuBarScrollSwitches, T::Bool, true},
        {Key::floatingToolbar, T::Bool, false},
        {Key::desktopLabel, T::Bool, false},
        {Key::desktopLabelPosition, T::String, QStringLiteral("bottomLeft")},
        {Key::dockClickProtection, T::Bool, false},
        {Key::timeTracking, T::Bool, true},
        {Key::runAutomations, T::Bool, true},
        {Key::followMovedWindow, T::Bool, false},
        {Key::backAndForth, T::Bool, true},
        {Key::autoNameSpaces, T::Bool, false},
        {Key::restoreFocus, T::Bool, true},
        {Key::spaceLock, T::Bool, false},
        {Key::applyAppRules, T::Bool, true},
        {Key::autoSaveLayout, T::Bool, true},
        {Key::restoreOnDisplayReconnect, T::Bool, true},
        {Key::gridColumns, T::Int, 0},
        {Key::groupOverview, T::Bool, true},
        {Key::scratchpadApp, T::String, QString()},
        {Key::spaceDock, T::Bool, false},
        {Key::fourFingerTap, T::Bool, false},
        {Key::localAPI, T::Bool, false},
        {Key::activeProfile, T::String, QString()},
    };
    return rows;
}

template <typename E>
E enumSetting(const QString& key)
{
    return fromRawValueOrFallback<E>(defaults().string(key).value_or(QString()));
}

} // namespace

std::span<const Registered> registered()
{
    return table();
}

std::optional<ValueType> typeOf(const QString& key)
{
    if (key == Key::overviewOrder)
        return ValueType::StringList;
    for (const Registered& row : table()) {
        if (row.key == key)
            return row.type;
    }
    return std::nullopt;
}

bool valueHasType(const QJsonValue& value, ValueType type)
{
    switch (type) {
    case ValueType::Bool:
        return value.isBool();
    case ValueType::Double:
        return value.isDouble();
    case ValueType::Int:
        return value.isDouble() && value.toDouble() == static_cast<double>(value.toInteger());
    case ValueType::String:
        return value.isString();
    case ValueType::StringList: {
        if (!value.isArray())
            return false;
        const QJsonArray array = value.toArray();
        return std::all_of(array.begin(), array.end(), [](const QJsonValue& v) { return v.isString(); });
    }
    case ValueType::Dictionary:
        return value.isObject();
    }
    return false;
}

const QStringList& exportableKeys()
{
    static const QStringList keys = [] {
        QStringList list;
        for (const Registered& row : table()) {
            if (row.key == Key::didShowOnboarding || row.key == Key::activeProfile)
                continue;
            list.append(row.key);
            if (row.key == Key::showAppIcons)
                list.append(Key::overviewOrder);
        }
        return list;
    }();
    return keys;
}

UserDefaults& defaults()
{
    return UserDefaults::standard();
}

void registerDefaults()
{
    QJsonObject values;
    for (const Registered& row : table())
        values.insert(row.key, row.defaultValue);
    // Where the desktop's own window switcher holds Alt+Tab, the overview
    // takes another of its presets, one that desktops leave free.
    if (!Platform::current().parts().has(SystemParts::Part::altTabIsFree))
        values.insert(Key::overlayHotKey, rawValue(OverlayHotKeyPreset::controlOptionSpace));
    defaults().registerDefaults(values);
}

SwitchMode switchMode() { return enumSetting<SwitchMode>(Key::switchMode); }
DesktopShortcutModifier desktopShortcutModifier() { return enumSetting<DesktopShortcutModifier>(Key::desktopShortcutModifier); }
OverlayHotKeyPreset overlayHotKey() { return enumSetting<OverlayHotKeyPreset>(Key::overlayHotKey); }
HUDPosition hudPosition() { return enumSetting<HUDPosition>(Key::hudPosition); }
HUDSize hudSize() { return enumSetting<HUDSize>(Key::hudSize); }
DesktopLabelPosition desktopLabelPosition() { return enumSetting<DesktopLabelPosition>(Key::desktopLabelPosition); }

QMap<QString, QString> profileByDisplaySetup()
{
    const auto dict = defaults().dictionary(Key::profileByDisplaySetup);
    if (!dict)
        return {};
    QMap<QString, QString> result;
    for (auto it = dict->begin(); it != dict->end(); ++it) {
        if (!it.value().isString())
            return {}; // all or nothing
        result.insert(it.key(), it.value().toString());
    }
    return result;
}

} // namespace lumivast::Settings
