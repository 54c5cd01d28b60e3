#include "Core/Shell/SettingsTab.h"

#include <array>
#include <utility>

namespace lumivast {

namespace {

struct TabRow {
    SettingsTab tab;
    const char* raw;
    const char* title;
    const char* symbol;
};

constexpr std::array<TabRow, 10> kTabs = {{
    {SettingsTab::general, "general", "General", "gearshape"},
    {SettingsTab::spaces, "spaces", "Spaces", "rectangle.3.group"},
    {SettingsTab::windows, "windows", "Windows", "macwindow.on.rectangle"},
    {SettingsTab::profiles, "profiles", "Profiles", "person.crop.rectangle.stack"},
    {SettingsTab::shortcuts, "shortcuts", "Shortcuts", "command"},
    {SettingsTab::appearance, "appearance", "Appearance", "paintbrush"},
    {SettingsTab::overview, "overview", "Overview", "square.grid.2x2"},
    {SettingsTab::stats, "stats", "Time", "clock"},
    {SettingsTab::setup, "setup", "Setup", "checklist"},
    {SettingsTab::backup, "backup", "Backup", "externaldrive"},
}};

const TabRow& row(SettingsTab tab)
{
    for (const TabRow& r : kTabs) {
        if (r.tab == tab)
            return r;
    }
    return kTabs.front();
}

} // namespace

std::optional<SettingsTab> settingsTabFromRawValue(const QString& text)
{
    for (const TabRow& r : kTabs) {
        if (text == QLatin1String(r.raw))
            return r.tab;
    }
    return std::nullopt;
}

QString rawValue(SettingsTab tab)
{
    return QLatin1String(row(tab).raw);
}

QString title(SettingsTab tab)
{
    return QLatin1String(row(tab).title);
}

QString symbol(SettingsTab tab)
{
    return QLatin1String(row(tab).symbol);
}

const std::vector<SettingsTab>& allSettingsTabs()
{
    static const std::vector<SettingsTab> tabs = [] {
        std::vector<SettingsTab> list;
        for (const TabRow& r : kTabs)
            list.push_back(r.tab);
        return list;
    }();
    return tabs;
}

std::optional<SettingsTab> settingsTabArgument(const QStringList& arguments)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--settings"));
    if (at < 0 || at + 1 >= arguments.size())
        return std::nullopt;
    return settingsTabFromRawValue(arguments.at(at + 1));
}

} // namespace lumivast
