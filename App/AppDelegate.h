#pragma once

#include "App/LocalAPI.h"
#include "Core/Commands/CommandDispatcher.h"
#include "Core/Automation/AutomationRunner.h"
#include "Core/Commands/SpaceCommand.h"
#include "Core/Previews/ThumbnailService.h"
#include "Core/Gestures/TouchGestures.h"
#include "Core/Profiles/ProfileStore.h"
#include "Core/Profiles/SpaceTemplate.h"
#include "Core/Shell/SettingsTab.h"
#include "Core/Shell/Updater.h"
#include "Core/Spaces/SpaceContents.h"
#include "Core/Spaces/Reactions.h"
#include "Core/Spaces/SpaceHistory.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Core/Switching/DockGuard.h"
#include "Core/Switching/EdgeTriggers.h"
#include "Core/Switching/Feedback.h"
#include "Core/Switching/ShortcutManager.h"
#include "Core/Switching/SpaceSwitcher.h"
#include "Core/Time/TimeTracker.h"
#include "Core/Windows/AppRules.h"
#include "Core/Windows/LayoutManager.h"
#include "Core/Windows/SavedSpaces.h"
#include "Core/Windows/FocusMemory.h"
#include "Core/Windows/Scratchpad.h"
#include "Core/Windows/SpaceLock.h"
#include "Core/Windows/SpaceMinimizer.h"
#include "Core/Windows/WindowMarks.h"
#include "Core/Windows/WindowMover.h"
#include "Platform/Lifetime.h"
#include "Platform/Scheduler.h"
#include "Platform/Workspace.h"
#include "UI/HUD/HUDController.h"
#include "UI/MissionControl/MissionControlLabels.h"
#include "UI/Overview/OverlayController.h"
#include "UI/MenuBar/NamePrompts.h"
#include "UI/MenuBar/StatusBarController.h"
#include "UI/Search/SearchPanelController.h"
#include "UI/SpaceDock/SpaceDockController.h"
#include "UI/Strips/DesktopLabelController.h"
#include "UI/Strips/FloatingToolbarController.h"
#include "UI/Strips/NotchStripController.h"
#include "UI/Settings/SettingsServices.h"
#include "UI/Settings/SettingsWindow.h"

#include <QObject>
#include <QSet>
#include <QStringList>

#include <memory>
#include <optional>

namespace lumivast {

class AlertService;
class SingleInstance;
class StatusItem;

// The composition root: creates, owns and wires every long-lived service,
// runs the launch sequence and reacts to Space and settings changes. Every
// front is given the dispatcher, as the command sink and the read-only
// queries; the delegate gives the dispatcher the views and the parts made on
// first use.
class AppDelegate final : public QObject, private CommandDispatcher::Parts, private CommandDispatcher::Views {
    Q_OBJECT
public:
    // Previews are taken once the switch has settled on screen.
    static constexpr Duration kPreviewDelayAfterSwitch = 600ms;
    static constexpr Duration kFirstPreviewsDelay = 1500ms;

    // `statusItem` is where the status item shows: the tray, or a fake in tests.
    // `localAPIPort`: tests pass 0 so that they never meet a running copy.
    AppDelegate(Scheduler& scheduler, AlertService& alerts, StatusItem& statusItem, QStringList arguments,
                QObject* parent = nullptr, quint16 localAPIPort = LocalAPI::kPort);
    ~AppDelegate() override;

    // Before launching finishes: URLs and reopen requests start to arrive.
    void applicationWillFinishLaunching(SingleInstance* instance);
    // `launched` runs once the launch is done: after the bridge warning, when
    // one shows, has been dismissed.
    void applicationDidFinishLaunching(std::function<void()> launched = {});
    // A second plain launch while this one runs.
    void applicationShouldHandleReopen();
    // Quitting (menu, signal, session end): writes what is waiting to be written.
    void applicationWillTerminate();

    // What the fronts are given: the one dispatcher of commands from outside
    // the program's own views, and what they may read.
    CommandSink& commands() { return m_dispatcher; }
    const SpaceQueries& queries() const { return m_dispatcher; }
    // A lumivast:// URL from the desktop or a second invocation.
    void handleURL(const QString& text);

    SpaceWatcher& watcher() { return m_watcher; }
    SpaceStore& store() { return m_store; }
    ThumbnailService& thumbnails() { return m_thumbnails; }
    SpaceSwitcher& switcher() { return m_switcher; }
    HUDController& hud() { return m_hud; }
    SpaceContents& contents() { return m_contents; }
    SpaceHistory& history() { return m_history; }
    TimeTracker& tracker() { return m_tracker; }
    EdgeTriggers& edgeTriggers() { return m_edgeTriggers; }
    DockGuard& dockGuard() { return m_dockGuard; }
    Updater& updater() { return m_updater; }
    SpaceLock& spaceLock() { return m_spaceLock; }
    SpaceMinimizer& minimizer() { return m_minimizer; }
    WindowMarks& marks() { return m_marks; }
    LocalAPI& localAPI() { return m_localAPI; }
    SearchPanelController& windowPanel() { return m_windowPanel; }
    SpaceDockController& spaceDock() { return m_spaceDock; }
    TouchGestures& touch() { return m_touch; }
    // Made while launching.
    MissionControlLabels* missionControlLabels() { return m_missionControlLabels.get(); }
    // Made on first use.
    WindowMover& mover() override;
    AppRules& appRules();
    Scratchpad& scratchpad() override;
    LayoutManager& layouts() override;
    SavedSpaces& savedSpaces() override;
    ProfileStore& profiles() override;
    AutomationRunner& automation() override;
    // Space strips (Strips.cpp): every call gives a new model whose clicks switch as the program's own.
    std::unique_ptr<StripModel> makeStripModel();
    // Made on first use.
    NotchStripController& notchStrip();
    FloatingToolbarController& floatingToolbar();
    DesktopLabelController& desktopLabel() { return m_desktopLabel; }
    // The settings window's services and the window's controller (Settings.cpp).
    SettingsServices& settingsServices();
    SettingsWindowController& settingsWindow();

    ShortcutManager* shortcuts() { return m_shortcuts.get(); }
    // Made while launching finishes.
    StatusBarController* statusBar() { return m_statusBar.get(); }
    OverlayController* overlay() { return m_overlay.get(); }
    bool isOverviewOpen() const { return m_overlay && m_overlay->isOpen(); }
    // Scheduler time of the last switch the program itself started.
    Duration lastLumivastSwitch() const { return m_dispatcher.lastOwnSwitch(); }
    bool isLaunched() const { return m_launched; }
    const QStringList& namePromptQueue() const { return m_namePrompts.queue(); }
    // What follows each kind of change, in order (wired in AppDelegate.cpp).
    const Reactions<const SpaceSnapshot&>& snapshotReactions() const { return m_snapshotReactions; }
    const Reactions<const std::optional<Space>&, const Space&>& activeSpaceReactions() const
    {
        return m_activeSpaceReactions;
    }
    const Reactions<>& settingsReactions() const { return m_settingsReactions; }

private:
    // What the dispatcher is given besides the parts above (CommandViews.cpp).
    const ShortcutManager* shortcutManager() const override { return m_shortcuts.get(); }
    QByteArray exportedState() const override;
    QString localAPIToken() const override;
    void showToast(const QString& message, const QString& symbol, bool isError) override;
    void renameInDialog(const Space& space) override;
    void openSettings(const std::optional<QString>& spaceID) override;
    void showWindowFinder(bool allSpaces) override;
    void offerMoreDesktops(const QString& templateName, int missing, int applied, std::function<void(bool add)> add) override;
    void offerLayoutRestore(int windows, std::function<void(bool restore)> restore) override;

    // Launch pieces.
    void showSettings(std::optional<SettingsTab> tab, std::optional<QString> spaceID = std::nullopt);
    void wireSettingsWindow();

    // Reactions.
    void wireReactions();
    void scheduleStateExport();
    // The overview (Overview.cpp): the command's toggle, the hot key and tap, the hot corner.
    void toggleOverview() override;
    void overviewHotKey() override;
    void overviewHotCorner();
    // The status item's redraws, and the operations its items call.
    void updateStatusItem();
    void contentsChanged();
    void wireWindowTools();
    void wireDesktopNames();
    void wireLocalAPI();
    void wireAutomation();
    void updateSpaceDock();
    void notchHovered(const ScreenInfo& screen);
    void showLauncher() override;
    void later(Duration delay, std::function<void(AppDelegate&)> work);
    void wireUnreadableFileReports();
    // The launch from the status item on.
    void finishLaunching(const std::function<void()>& launched);
    // The welcome and the report of taken keys.
    void greet();
    void reportUnreadableFiles();
    // Profiles, templates, time and demo mode (ProfilesAndTime.cpp).
    void wireScreenSleep();
    void runDemoTour() override;

    // Previews (Previews.cpp).
    void startPreviews();
    void startRefreshTimer();
    void previewSettingsChanged();
    // Mission Control and the trackpad (MissionControl.cpp).
    void startMissionControlLabels();
    void wireFourFingerTap();

    void toast(const QString& message, const QString& symbol = HUDController::defaultToastSymbol);
    void errorToast(const QString& message);

    Scheduler& m_scheduler;
    AlertService& m_alerts;
    const QStringList m_arguments;

    // Created in this order; destroyed in reverse.
    SpaceWatcher m_watcher;
    SpaceStore m_store;
    ThumbnailService m_thumbnails;
    SpaceSwitcher m_switcher;
    HUDController m_hud;
    SpaceContents m_contents;
    SpaceHistory m_history;
    TimeTracker m_tracker;
    Feedback m_feedback;
    EdgeTriggers m_edgeTriggers;
    DockGuard m_dockGuard;
    Updater m_updater;
    FocusMemory m_focusMemory;
    SpaceLock m_spaceLock;
    SpaceMinimizer m_minimizer;
    GlobalHotKeys m_hotKeys;
    WindowMarks m_marks;
    CommandDispatcher m_dispatcher;
    LocalAPI m_localAPI;
    SearchPanelController m_windowPanel;
    SearchPanelController m_launcherPanel;
    SpaceDockController m_spaceDock;
    DesktopLabelController m_desktopLabel;
    std::unique_ptr<NotchStripController> m_notchStrip;
    std::unique_ptr<FloatingToolbarController> m_floatingToolbar;
    TouchGestures m_touch;
    std::unique_ptr<WindowMover> m_mover;
    std::unique_ptr<AppRules> m_appRules;
    std::unique_ptr<Scratchpad> m_scratchpad;
    std::unique_ptr<LayoutManager> m_layouts;
    std::unique_ptr<SavedSpaces> m_savedSpaces;
    std::unique_ptr<ProfileStore> m_profiles;
    Subscription m_screensSleepObserver;
    Subscription m_screensWakeObserver;
    std::unique_ptr<AutomationRunner> m_automation;
    std::unique_ptr<FilePanels> m_filePanels;
    std::unique_ptr<SettingsServices> m_settingsServices;
    std::unique_ptr<SettingsWindowController> m_settingsWindow;
    Subscription m_activationObserver;

    std::unique_ptr<ShortcutManager> m_shortcuts;
    std::unique_ptr<MissionControlLabels> m_missionControlLabels;
    StatusItem& m_statusItem;
    std::unique_ptr<StatusBarController> m_statusBar;
    std::unique_ptr<OverlayController> m_overlay;
    NamePrompts m_namePrompts;
    Reactions<const SpaceSnapshot&> m_snapshotReactions;
    Reactions<const std::optional<Space>&, const Space&> m_activeSpaceReactions;
    Reactions<> m_settingsReactions;

    bool m_launched = false;
    bool m_firstSnapshotHandled = false;
    WorkItem m_greetingWork;
    WorkItem m_settingsWork;
    WorkItem m_overlayWindowWork;
    WorkItem m_stateWork;
    WorkItem m_refreshTimer;
    double m_refreshTimerInterval = -1.0; // seconds; 0 while previews are off
    std::vector<WorkItem> m_pending; // delayed work that must not outlive the delegate
    Lifetime m_lifetime{m_scheduler}; // for reports from other threads
};

} // namespace lumivast
