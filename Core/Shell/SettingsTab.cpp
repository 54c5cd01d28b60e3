#include "Core/Shell/SettingsTab.h"

#include <array>
#include <utility>

namespace lumivast {

namespace {

constexpr std::array<std::pair<SettingsTab, const char*>, 10> kTabs = {{
    {SettingsTab::general, "general"},
    {SettingsTab::spaces, "spaces"},
    {SettingsTab::windows, "windows"},
    {SettingsTab::profiles, "profiles"},
    {SettingsTab::shortcuts, "shortcuts"},
    {SettingsTab::appearance, "appearance"},
    {SettingsTab::overview, "overview"},
    {SettingsTab::stats, "stats"},
    {SettingsTab::setup, "setup"},
    {SettingsTab::backup, "backup"},
}};

} // namespace

std::optional<SettingsTab> settingsTabFromRawValue(const QString& text)
{
    for (const auto& [tab, name] : kTabs) {
        if (text == QLatin1String(name))
            return tab;
    }
    return std::nullopt;
}

QString rawValue(SettingsTab tab)
{
    for (const auto& [t, name] : kTabs) {
        if (t == tab)
            return QLatin1String(name);
    }
    return {};
}

std::optional<SettingsTab> settingsTabArgument(const QStringList& arguments)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--settings"));
    if (at < 0 || at + 1 >= arguments.size())
        return std::nullopt;
    return settingsTabFromRawValue(arguments.at(at + 1));
}

} // namespace lumivast
