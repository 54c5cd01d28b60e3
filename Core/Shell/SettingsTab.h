#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace lumivast {

// The tabs of the settings window; their raw values are also what `--settings <tab>` accepts.
enum class SettingsTab { general, spaces, windows, profiles, shortcuts, appearance, overview, stats, setup, backup };

std::optional<SettingsTab> settingsTabFromRawValue(const QString& text);
QString rawValue(SettingsTab tab);
// The sidebar's English title (looked up for translation by the window) and its symbol name.
QString title(SettingsTab tab);
QString symbol(SettingsTab tab);
// Every tab, in sidebar order.
const std::vector<SettingsTab>& allSettingsTabs();

// The tab named by the first "--settings" argument, when the argument after it names one exactly.
std::optional<SettingsTab> settingsTabArgument(const QStringList& arguments);

} // namespace lumivast
