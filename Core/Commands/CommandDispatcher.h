#pragma once

#include "Core/Commands/CommandSink.h"
#include "Core/Commands/SpaceQueries.h"
#include "Core/MissionControl/ManagementQueue.h"
#include "Core/Switching/SpaceNavigator.h"
#include "Platform/Scheduler.h"

#include <QObject>

#include <functional>
#include <optional>
#include <vector>

namespace lumivast {

class AutomationRunner;
class LayoutManager;
class ProfileStore;
class SavedSpaces;
class Scratchpad;
class ShortcutManager;
class SpaceHistory;
class SpaceMinimizer;
class SpaceStore;
class SpaceSwitcher;
class SpaceWatcher;
class ThumbnailService;
class Updater;
class WindowMarks;
class WindowMover;
struct RunningApplication;
struct SpaceTemplate;

// Carries out every command from the fronts: finds the Space a command names,
// decides where a step or "back" goes, and reports the outcome as a toast.
// It answers the fronts' read-only queries too. What a command opens (the
// overview, the settings, the panels, the rename dialog) is the views' to do.
// Main thread only.
class CommandDispatcher final : public QObject, public CommandSink, public SpaceQueries {
    Q_OBJECT
public:
    // Previews are taken once the menu that asked for them has closed.
    static constexpr Duration kPreviewRefreshDelay = 100ms;
    // A change this soon after a switch the program started counts as its own.
    static constexpr Duration kOwnSwitchWindow = 1000ms;

    // What commands show or open, above Core.
    class Views {
    public:
        virtual ~Views() = default;
        // An empty symbol is the usual one.
        virtual void showToast(const QString& message, const QString& symbol, bool isError) = 0;
        virtual void renameInDialog(const Space& space) = 0;
        virtual void toggleOverview() = 0;
        // Opens it, walks its tiles while Option is held, or closes it.
        virtual void overviewHotKey() = 0;
        // With a Space: the Spaces pane on it.
        virtual void openSettings(const std::optional<QString>& spaceID) = 0;
        virtual void showWindowFinder(bool allSpaces) = 0;
        virtual void showLauncher() = 0;
        virtual void runDemoTour() = 0;
        // A template needs `missing` more desktops than there are; `add` says whether to add them.
        virtual void offerMoreDesktops(const QString& templateName, int missing, int applied,
                                       std::function<void(bool add)> add) = 0;
        // `windows` windows were saved before the restart; `restore` says whether to put them back.
        virtual void offerLayoutRestore(int windows, std::function<void(bool restore)> restore) = 0;
    };

    // The parts made on first use, and what the root alone knows.
    class Parts {
    public:
        virtual ~Parts() = default;
        virtual WindowMover& mover() = 0;
        virtual LayoutManager& layouts() = 0;
        virtual SavedSpaces& savedSpaces() = 0;
        virtual AutomationRunner& automation() = 0;
        virtual ProfileStore& profiles() = 0;
        virtual Scratchpad& scratchpad() = 0;
        // None before the launch has made it.
        virtual const ShortcutManager* shortcutManager() const = 0;
        // The exported state and the local API's token.
        virtual QByteArray exportedState() const = 0;
        virtual QString localAPIToken() const = 0;
    };

    struct Services {
        Scheduler& scheduler;
        SpaceWatcher& watcher;
        SpaceStore& store;
        SpaceSwitcher& switcher;
        SpaceHistory& history;
        SpaceContents& contents;
        ThumbnailService& thumbnails;
        SpaceMinimizer& minimizer;
        WindowMarks& marks;
        Updater& updater;
    };

    CommandDispatcher(Services services, Parts& parts, Views& views, QObject* parent = nullptr);
    ~CommandDispatcher() override;

    // Scheduler time of the last switch the program itself started.
    Duration lastOwnSwitch() const { return m_lastOwnSwitch; }
    // Whether a Space change now is the program's own switch landing.
    bool ownSwitchJustNow() const;
    // The profile bound to this display setup, unless it is active already; an unknown one is passed over.
    void activateProfileForDisplaySetup(const QString& setup);

    // Reactions to changes the fronts did not ask for (DispatcherReactions.cpp).
    // A click in the Dock pulled the user away: back to `to`, where the app opens a new window.
    void bounceBack(const Space& to, const RunningApplication& app);
    // An app pulled the user away from a locked Space: back to `from`, and the app's window comes there.
    void pulledAway(const Space& from, const RunningApplication& app);
    // Each snapshot: a new display setup brings its profile, and a display plugged back in its windows.
    void displaySetupMaybeChanged(const SpaceSnapshot& snapshot);
    // A launch soon after the system started offers to put the windows back where they were.
    void offerLayoutRestoreAfterRestart();
    // What is kept per Space goes with the Spaces that are gone.
    void forgetGoneSpaces(const SpaceSnapshot& snapshot);

    // The command sink.
    void perform(const SpaceCommand& command) override;
    void switchTo(const Space& space) override;
    void moveFrontWindow(const Space& space) override;
    void setUp(const Space& space) override;
    void editSpace(const Space& space) override;
    void refreshPreviews() override;
    void restoreSaved(const SavedSpace& saved) override;
    void reportError(const QString& message) override;
    void overviewHotKey() override;
    void captureMark(bool set) override;
    void goToWindow(const SpaceContents::WindowInfo& window) override;
    void bringWindowHere(const SpaceContents::WindowInfo& window) override;

    // The queries.
    const SpaceSnapshot& snapshot() const override;
    QString displayName(const Space& space) const override;
    std::optional<Space> previousSpace() const override;
    QByteArray stateJSON() const override;
    QString apiToken() const override;
    QStringList profileNames() const override;
    QStringList takenKeys() const override;
    bool canUndoMinimize() const override;
    std::vector<SavedSpace> savedSpaceRecords() const override;
    std::vector<MenuItem> extraMenuItems() const override;

private:
    std::optional<Space> resolve(const SpaceCommand::SpaceRef& ref, const SpaceSnapshot& snapshot) const;
    void notFound(const SpaceCommand::SpaceRef& ref);
    void switchOwn(const Space& target, const SpaceSnapshot& snapshot);
    const DisplaySpaces* steppingDisplay(const SpaceSnapshot& snapshot, std::optional<DisplaySpaces>& underMouse) const;
    SpaceNavigator navigator() const;
    void step(SpaceNavigator::Direction direction, const SpaceSnapshot& snapshot);
    void moveWindowStep(bool right, const SpaceSnapshot& snapshot);
    void goToWindow(const SpaceContents::WindowInfo& window, const SpaceSnapshot& snapshot);
    void performProfile(const QString& name);
    // Says what came of it; false only when there is no such profile.
    bool activateProfile(const QString& name);
    void performTemplate(const QString& name);
    void applyTemplate(const SpaceTemplate& chosen);
    void toggleScratchpad();
    void addDesktop();
    // One after another, each 0.6 s after the previous one completed; failures are passed over.
    void addDesktops(int count, std::function<void()> done);
    void removeDesktop(int number);
    void later(Duration delay, std::function<void(CommandDispatcher&)> work);
    void toast(const QString& message, const QString& symbol = QString());
    void errorToast(const QString& message);

    Services m_services;
    Parts& m_parts;
    Views& m_views;
    ManagementQueue m_desktopRequests;
    Duration m_lastOwnSwitch;
    QString m_lastDisplaySetup;
    std::vector<WorkItem> m_pending; // delayed work that must not outlive the dispatcher
};

} // namespace lumivast
