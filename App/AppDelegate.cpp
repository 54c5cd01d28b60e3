#include "App/AppDelegate.h"

#include "App/Alerts.h"
#include "App/ProcessClock.h"
#include "App/SingleInstance.h"
#include "App/UrlIntake.h"
#include "CGSBridge/CGSBridge.h"
#include "Core/Demo/DemoMode.h"
#include "Core/Settings/Settings.h"
#include "Core/Shell/StateExporter.h"
#include "Core/Spaces/AppPaths.h"
#include "Platform/DataFile.h"
#include "Platform/Log.h"
#include "Platform/Platform.h"

#include <QPointer>
#include <QSet>

namespace lumivast {

AppDelegate::AppDelegate(Scheduler& scheduler, AlertService& alerts, StatusItem& statusItem, QStringList arguments,
                         QObject* parent, quint16 localAPIPort)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_alerts(alerts)
    , m_arguments(std::move(arguments))
    , m_watcher(scheduler)
    , m_store(scheduler, AppPaths::file(QStringLiteral("spaces.json")))
    , m_thumbnails(scheduler, AppPaths::thumbnailsDirectory())
    , m_switcher(scheduler)
    , m_hud(scheduler)
    , m_contents(scheduler)
    , m_tracker(scheduler, AppPaths::file(QStringLiteral("stats.json")))
    , m_feedback()
    , m_edgeTriggers(scheduler)
    , m_dockGuard(scheduler)
    , m_updater(Platform::current().updates())
    , m_focusMemory(scheduler)
    , m_spaceLock(scheduler)
    , m_hotKeys(Platform::current().hotKeys(), scheduler)
    , m_marks(scheduler, m_hotKeys)
    , m_dispatcher({scheduler, m_watcher, m_store, m_switcher, m_history, m_contents, m_thumbnails, m_minimizer, m_marks,
                    m_updater},
                   *this, *this)
    , m_localAPI(scheduler, commands(), queries(), localAPIPort) // the API and the delegate need each other
    , m_windowPanel(scheduler)
    , m_launcherPanel(scheduler)
    , m_spaceDock(scheduler)
    , m_desktopLabel(scheduler)
    , m_touch(scheduler)
    , m_statusItem(statusItem)
    , m_namePrompts(scheduler, m_watcher, m_store, alerts, [this] { return isOverviewOpen(); }) // held back by the overview
{
    const QStringList args = m_arguments;
    DemoMode::setLaunchArgumentsProvider([args] { return args; });

    QPointer<AppDelegate> self(this);
    m_updater.onMessage = [self](const QString& text) {
        if (self)
            self->toast(text);
    };
    m_store.autoNameProvider = [self](const Space& space) -> std::optional<QString> {
        if (!self)
            return std::nullopt;
        const auto& apps = self->m_contents.appsBySpace();
        const auto it = apps.find(space.managedID);
        if (it == apps.end() || it->second.empty())
            return std::nullopt;
        return it->second.front().name;
    };
    // A custom icon that a saved profile shows outlives the Space's current icon.
    m_store.iconFileKept = [](const QString& file) {
        return ProfileStore::iconFilesInUse(AppPaths::file(QStringLiteral("profiles.json"))).contains(file);
    };
    m_store.onSaveFailed = [self](const QString& reason) {
        if (self)
            self->errorToast(tr("Could not save the Space names: %1").arg(reason));
    };
}

AppDelegate::~AppDelegate()
{
    // Hot keys go before the registry and scheduler they were made with.
    m_shortcuts.reset();
    DataFile::setSetAsideObserver(nullptr);
}

void AppDelegate::applicationWillFinishLaunching(SingleInstance* instance)
{
    if (!instance)
        return;
    QPointer<AppDelegate> self(this);
    instance->onURL = [self](const QString& text) {
        if (self)
            self->handleURL(text);
    };
    instance->onReopen = [self] {
        if (self)
            self->applicationShouldHandleReopen();
    };
}

void AppDelegate::applicationDidFinishLaunching(std::function<void()> launched)
{
    if (m_launched)
        return;
    QPointer<AppDelegate> self(this);

    // 1. Defaults before anything reads a setting.
    Settings::registerDefaults();

    // 2. --settings <tab>, half a second after launch.
    if (const auto tab = settingsTabArgument(m_arguments)) {
        m_settingsWork = m_scheduler.after(500ms, [self, tab] {
            if (self)
                self->showSettings(tab);
        });
    }

    // 3. Bridge health; a bridge that cannot read the Spaces gets a warning, then the launch goes on.
    const CGSBridgeHealth health = CGSBridgeProbe();
    qCInfo(lcApp, "bridge health: %u", health.rawValue);
    if (!health.isHealthy())
        return Alerts::presentDegradedAlert(m_alerts, this, [this, launched] { finishLaunching(launched); });
    finishLaunching(launched);
}

void AppDelegate::finishLaunching(const std::function<void()>& launched)
{
    QPointer<AppDelegate> self(this);

    // 4. The status item shows from here on; its menu goes to the command sink.
    // The item and the delegate need each other: it sends commands, the delegate redraws it.
    m_statusBar = std::make_unique<StatusBarController>(m_statusItem, m_watcher, m_store, m_contents, m_scheduler,
                                                        m_alerts, commands(), queries());

    // 5. The overview, closed, with its model rebuilding from here on; its tile actions go to the command sink.
    // The overview and the delegate need each other: its tiles send commands, the delegate opens and closes it.
    m_overlay = std::make_unique<OverlayController>(m_scheduler, m_watcher, m_store, m_thumbnails, m_switcher, m_contents,
                                                    m_alerts, commands());
    // Its window is made once the launch is done, so the first opening is as quick as the later ones.
    m_overlayWindowWork = m_scheduler.after(1s, [self] {
        if (self && self->m_overlay)
            self->m_overlay->prepareWindow();
    });

    // 6. Labels over Mission Control's desktop buttons.
    startMissionControlLabels();

    // 7. Window lists start refreshing.
    m_contents.start();

    // 11. The settings window's hooks.
    wireSettingsWindow();

    // 12. Global shortcuts.
    m_shortcuts = std::make_unique<ShortcutManager>(m_hotKeys, ShortcutManager::handlersFor(commands()));
    m_shortcuts->refresh();

    // 13. Hot corner and notch hover.
    m_edgeTriggers.onHotCorner = [self] {
        if (self)
            self->overviewHotCorner();
    };
    m_edgeTriggers.onNotchHover = [self](const ScreenInfo& screen) {
        if (self)
            self->notchHovered(screen);
    };
    m_edgeTriggers.refresh();

    // 14. Dock protection's bounce back; its monitor is armed in step 18.
    m_dockGuard.onBounceBack = [self](const Space& back, const RunningApplication& app) {
        if (self)
            self->m_dispatcher.bounceBack(back, app);
    };

    // 15. The window tools.
    wireWindowTools();
    wireDesktopNames();

    // 16-17. The watcher: its first snapshot arrives as a change from no Space.
    wireReactions();
    m_watcher.onSnapshot = [self](const SpaceSnapshot& snapshot) {
        if (self)
            self->m_snapshotReactions.run(snapshot);
    };
    m_watcher.onActiveSpaceChange = [self](const std::optional<Space>& from, const Space& to) {
        if (self)
            self->m_activeSpaceReactions.run(from, to);
    };
    m_watcher.start();

    // 18. The current Space.
    if (const Space* current = m_watcher.snapshot().currentSpace()) {
        m_history.visit(*current);
        m_tracker.track(current->id);
        m_dockGuard.refresh(*current);
    }

    // 19. Every settings change re-applies what holds state built from settings.
    connect(&Settings::defaults(), &UserDefaults::changed, this, [this] { m_settingsReactions.run(); });

    // 20-21. Metadata and window lists feed the status item and the state
    // export. The signals come after the change, so no extra hop is needed to
    // see the new value. Only the apps per Space show in the item.
    connect(&m_store, &SpaceStore::changed, this, [this] {
        updateStatusItem();
        m_desktopLabel.update(m_watcher.snapshot(), m_store);
        scheduleStateExport();
    });
    connect(&m_contents, &SpaceContents::appsBySpaceChanged, this, [this] { contentsChanged(); });
    connect(&m_contents, &SpaceContents::windowsChanged, this, [this] { scheduleStateExport(); });

    // 22. Sleeping screens pause time tracking; waking ones resume it.
    wireScreenSleep();

    // 23-24. The preview timer, and the first previews a moment after launch.
    startPreviews();

    m_launched = true;
    wireUnreadableFileReports();

    // 25. Welcome, once: once the launch is done, so that the current Space
    // shows first and URLs and bus calls are served while the welcome waits.
    m_greetingWork = m_scheduler.after(Duration::zero(), [self] {
        if (self)
            self->greet();
    });
    if (launched)
        launched();
}

void AppDelegate::greet()
{
    const QStringList taken = m_shortcuts->takenKeys();
    Alerts::runOnboardingIfNeeded(m_alerts, !taken.contains(ShortcutManager::overviewShortcutName(Settings::overlayHotKey())),
                                  this, [this] { Alerts::reportTakenShortcuts(m_alerts, m_shortcuts->failures()); });
}

void AppDelegate::applicationShouldHandleReopen()
{
    commands().perform(SpaceCommand::settings());
}

void AppDelegate::applicationWillTerminate()
{
    m_store.flushPendingSave();
    // The interval running at the quit counts, and the record is written now: its 5 s save would never come.
    m_tracker.flush();
    m_tracker.saveNow();
}

// What follows a new snapshot, an active-Space change and a settings change,
// in order. A reaction that reads another part's state comes after it.
void AppDelegate::wireReactions()
{
    Reactions<const SpaceSnapshot&>& snapshot = m_snapshotReactions;
    snapshot.add(QStringLiteral("status item"), [this](const SpaceSnapshot& s) {
        if (m_statusBar)
            m_statusBar->update(s);
    });
    snapshot.add(QStringLiteral("switcher"), [this](const SpaceSnapshot& s) { m_switcher.observe(s); });
    snapshot.add(QStringLiteral("forget gone Spaces"), [this](const SpaceSnapshot& s) { m_dispatcher.forgetGoneSpaces(s); });
    snapshot.add(QStringLiteral("name prompts"), [this](const SpaceSnapshot& s) { m_namePrompts.snapshotChanged(s); });
    snapshot.add(QStringLiteral("full-screen memory"), [this](const SpaceSnapshot& s) {
        const std::vector<Space> all = s.allSpaces();
        m_store.noteFullscreenKeys(all);
        m_store.adoptFullscreenMemory(all);
    });
    snapshot.add(QStringLiteral("display setup"), [this](const SpaceSnapshot& s) { m_dispatcher.displaySetupMaybeChanged(s); });
    snapshot.add(QStringLiteral("floating toolbar"), [this](const SpaceSnapshot& s) { floatingToolbar().update(s); });
    snapshot.add(QStringLiteral("desktop label"), [this](const SpaceSnapshot& s) { m_desktopLabel.update(s, m_store); });
    snapshot.add(QStringLiteral("window lists"), [this](const SpaceSnapshot&) { m_contents.refresh(); });
    snapshot.add(QStringLiteral("settings window"), [this](const SpaceSnapshot&) { settingsServices().snapshots.send(); });
    snapshot.add(QStringLiteral("state export"), [this](const SpaceSnapshot&) { scheduleStateExport(); });
    snapshot.add(QStringLiteral("first snapshot"), [this](const SpaceSnapshot&) {
        if (!m_firstSnapshotHandled) {
            m_firstSnapshotHandled = true;
            qCInfo(lcApp, "first snapshot handled %.0f ms after process start", millisecondsSinceProcessStart());
        }
    });

    Reactions<const std::optional<Space>&, const Space&>& space = m_activeSpaceReactions;
    // A click in the Dock pulled the user away: the bounce back is under way.
    space.addGate(QStringLiteral("dock guard"), [this](const std::optional<Space>&, const Space& to) {
        return m_dockGuard.spaceChanged(to);
    });
    // An app pulled the user away: its window comes here instead.
    space.addGate(QStringLiteral("space lock"), [this](const std::optional<Space>& from, const Space& to) {
        return m_spaceLock.spaceChanged(from, to, m_dispatcher.ownSwitchJustNow());
    });
    space.add(QStringLiteral("focus memory"), [this](const std::optional<Space>&, const Space& to) {
        m_focusMemory.entered(to, m_contents);
    });
    space.add(QStringLiteral("space dock"), [this](const std::optional<Space>&, const Space&) {
        later(300ms, [](AppDelegate& d) { d.updateSpaceDock(); });
    });
    space.add(QStringLiteral("history"), [this](const std::optional<Space>&, const Space& to) { m_history.visit(to); });
    space.add(QStringLiteral("time tracker"), [this](const std::optional<Space>&, const Space& to) { m_tracker.track(to.id); });
    space.add(QStringLiteral("automation"), [this](const std::optional<Space>& from, const Space& to) {
        automation().spaceChanged(from, to);
    });
    space.add(QStringLiteral("log"), [this](const std::optional<Space>&, const Space& to) {
        qCInfo(lcApp) << "active Space:" << m_store.displayName(to);
    });
    // The overview shows where the user goes; the switch HUD would cover it.
    space.add(QStringLiteral("switch HUD"), [this](const std::optional<Space>&, const Space& to) {
        if (!isOverviewOpen())
            m_hud.show(to, m_store);
    });
    space.add(QStringLiteral("feedback"), [this](const std::optional<Space>&, const Space& to) {
        m_feedback.spaceChanged(m_store.displayName(to));
    });
    space.add(QStringLiteral("previews"), [this](const std::optional<Space>&, const Space&) {
        m_thumbnails.captureActiveSpaces(m_watcher.snapshot(), kPreviewDelayAfterSwitch);
    });
    space.add(QStringLiteral("desktop label"), [this](const std::optional<Space>&, const Space&) {
        m_desktopLabel.update(m_watcher.snapshot(), m_store);
    });

    Reactions<>& settings = m_settingsReactions;
    settings.add(QStringLiteral("shortcuts"), [this] {
        if (m_shortcuts)
            m_shortcuts->refresh();
    });
    settings.add(QStringLiteral("local API"), [this] { m_localAPI.refresh(); });
    settings.add(QStringLiteral("touch"), [this] { m_touch.refresh(); });
    settings.add(QStringLiteral("space dock"), [this] { updateSpaceDock(); });
    settings.add(QStringLiteral("edge triggers"), [this] { m_edgeTriggers.refresh(); });
    settings.add(QStringLiteral("dock guard"), [this] {
        const Space* current = m_watcher.snapshot().currentSpace();
        m_dockGuard.refresh(current ? std::optional<Space>(*current) : std::nullopt);
    });
    settings.add(QStringLiteral("status item"), [this] { updateStatusItem(); });
    settings.add(QStringLiteral("floating toolbar"), [this] { floatingToolbar().update(m_watcher.snapshot()); });
    settings.add(QStringLiteral("desktop label"), [this] { m_desktopLabel.update(m_watcher.snapshot(), m_store); });
    settings.add(QStringLiteral("previews"), [this] { previewSettingsChanged(); });
}

void AppDelegate::scheduleStateExport()
{
    QPointer<AppDelegate> self(this);
    m_stateWork = m_scheduler.after(StateExporter::kDebounce, [self] {
        if (self)
            StateExporter::write(self->m_watcher.snapshot(), self->m_store, self->m_contents, self->m_scheduler);
    });
}

void AppDelegate::handleURL(const QString& text)
{
    UrlIntake::handle(text, commands());
}

void AppDelegate::toast(const QString& message, const QString& symbol)
{
    m_hud.toast(message, symbol, false);
}

void AppDelegate::errorToast(const QString& message)
{
    m_hud.toast(message, HUDController::defaultToastSymbol, true);
}

} // namespace lumivast
