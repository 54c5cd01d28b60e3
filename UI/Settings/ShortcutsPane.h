#pragma once

#include "Platform/Scheduler.h"
#include "UI/Settings/PaneKit.h"

#include <QStringList>

#include <array>
#include <vector>

class QLabel;

namespace lumivast {

class SettingsServices;
class SystemParts;

// The overview key, the modifier of the desktop shortcuts and which groups of
// shortcuts exist, the fixed tool shortcuts, the shortcuts another app holds
// and the ways in from outside. The shortcut texts are built from the
// settings, spelled as the keys work here. Conflicts are read when the pane
// is made and 0.2 s after each change of the modifier, once the program has
// registered the new keys.
class ShortcutsPane final : public PaneForm {
    Q_OBJECT
public:
    // Time for the settings reaction to register the keys of a new modifier.
    static constexpr Duration kConflictReadDelay = 200ms;

    explicit ShortcutsPane(SettingsServices& services, QWidget* parent = nullptr);

    const QStringList& failures() const { return m_failures; }
    // Sections by their header: "Overview", "Spaces", "Windows", "Tools", "Conflicts", "Other ways in".
    FormSection* section(const QString& header) const;
    QLabel* conflictsText() const { return m_conflictsText; }

    // A way to reach the program from outside, with an example that switches to a Space.
    struct WayIn {
        QString title;
        QString example;
        bool operator==(const WayIn&) const = default;
    };
    // The ways this system offers, each shown with the same example Space.
    static std::vector<WayIn> otherWaysIn(const SystemParts& parts);

private:
    struct ValueRow {
        QWidget* row = nullptr;
        QLabel* value = nullptr;
    };

    ValueRow addValueRow(FormSection* section, const QString& label);
    void showShortcuts();
    void showConflicts();
    void readConflictsLater();

    SettingsServices& m_services;
    std::vector<FormSection*> m_sections;
    FormSection* m_windows = nullptr;
    FormSection* m_tools = nullptr;
    FormSection* m_conflicts = nullptr;
    ValueRow m_switchTo;
    QWidget* m_navigationToggle = nullptr;
    ValueRow m_previousNext;
    ValueRow m_backToLast;
    std::vector<QWidget*> m_navigationRows; // the three toggles and the grid picker
    ValueRow m_sendTo;
    ValueRow m_sendLeftRight;
    std::array<ValueRow, 6> m_toolRows;
    QLabel* m_conflictsText = nullptr;
    QStringList m_failures;
    std::vector<WorkItem> m_conflictReads; // each change its own; dropped with the pane
};

} // namespace lumivast
