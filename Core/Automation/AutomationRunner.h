#pragma once

#include "Core/Spaces/SpaceMeta.h"
#include "Core/Spaces/SpaceModel.h"
#include "Platform/Scheduler.h"
#include "Platform/SerialQueue.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <vector>

namespace lumivast {

class SpaceStore;

// Runs each Space's automation: the leave actions of the Space left and the
// enter actions of the Space entered, on one timeline after the change
// (shortcuts and commands at once, then the browser, the apps and URLs,
// hiding the other apps and the keystroke), and a Space's set-up on request.
// A later change cancels nothing already scheduled. Main thread; process
// starts go to a serial worker queue in the order they were asked for, so a
// change never waits for them.
class AutomationRunner final {
public:
    static constexpr Duration kBrowserDelay = 300ms;
    static constexpr Duration kLaunchDelay = 350ms;
    static constexpr Duration kHideDelay = 400ms;
    static constexpr Duration kKeystrokeDelay = 450ms;
    // A set-up that follows a switch runs this long after it; a launch the
    // switch's own entry scheduled less long ago is not repeated by it.
    static constexpr Duration kSetupAfterSwitch = 400ms;
    static inline const QString kShortcutsPath = QStringLiteral("/usr/bin/shortcuts");
    static inline const QString kShellPath = QStringLiteral("/bin/zsh");
    static inline const QString kFinderBundleID = QStringLiteral("com.apple.finder");

    AutomationRunner(SpaceStore& store, Scheduler& scheduler);
    ~AutomationRunner(); // finishes the process starts already queued
    AutomationRunner(const AutomationRunner&) = delete;
    AutomationRunner& operator=(const AutomationRunner&) = delete;

    SpaceStore& store() const { return m_store; }
    // The Spaces whose apps and URLs were launched since this runner was made; only grows.
    const QSet<QString>& launched() const { return m_launched; }

    // True when the Space has no windows (the launch gate of "only if empty").
    std::function<bool(const Space&)> isSpaceEmpty = [](const Space&) { return false; };
    // The processes with windows on the Space (they stay visible when others are hidden).
    std::function<std::set<std::int32_t>(const Space&)> appsOnSpace = [](const Space&) { return std::set<std::int32_t>{}; };

    // `from` is absent for the first change after launch.
    void spaceChanged(const std::optional<Space>& from, const Space& to);
    // Opens the Space's apps and URLs now, whatever the settings and the
    // automation's gates say, and counts the Space as launched.
    void runSetup(const Space& space);

    // The names of the user's shortcuts, sorted; empty when there is no tool.
    // Blocks until the tool is done; touches nothing shared, so any thread.
    static QStringList availableShortcuts();
    // The sorting and splitting of the tool's listing.
    static QStringList shortcutNames(const QByteArray& listing);

    // Blocks until the process starts queued so far have been made.
    void waitForProcessStarts() { m_processQueue.waitUntilIdle(); }

private:
    void launch(const SpaceAutomation& automation);
    void hideOtherApps(const std::set<std::int32_t>& keep);
    void run(const QString& path, const QStringList& arguments, const std::map<QString, QString>& environment);
    void runShortcut(const QString& name);
    void runScript(const QString& command, const Space& space);
    void later(Duration delay, std::function<void()> work);

    SpaceStore& m_store;
    Scheduler& m_scheduler;
    QSet<QString> m_launched;
    std::map<QString, Duration> m_entryLaunchScheduledAt; // by Space id
    std::vector<WorkItem> m_steps; // the delayed steps; dropped only once they ran
    SerialQueue m_processQueue{QStringLiteral("lumivast.automation")}; // last: joined first on destruction
};

} // namespace lumivast
