#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace lumivast {

// One condition of the system that only the user can change, with its result
// at the moment the list was built and a one-click fix. Rows never update
// themselves: a fresh list replaces the old one.
struct SetupCheck {
    QString id;
    QString title;
    QString detail;
    bool passed = false;
    std::optional<QString> fixTitle;
    std::function<void()> fix; // empty: no fix

    // The five rows, in the order "ax", "screen", "mru", "swoosh", "hotkeys",
    // each tested anew, without those about parts the system lacks. Where the
    // system has no desktop shortcuts of its own, "hotkeys" checks the
    // program's: `takenShortcuts` are those another program holds. Never
    // shows a system prompt, so it can run every 2 s. Main thread.
    static std::vector<SetupCheck> all(const QStringList& takenShortcuts = {});

    // The Dock's preferences domain and the two keys the checklist reads.
    static inline const QString kDockDomain = QStringLiteral("com.apple.dock");
    static inline const QString kMostRecentSpacesKey = QStringLiteral("mru-spaces");
    static inline const QString kAutoSwooshKey = QStringLiteral("workspaces-auto-swoosh");
};

} // namespace lumivast
