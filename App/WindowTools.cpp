// The delegate's side of the window tools: the parts made on first use and
// what their callbacks do.

#include "App/AppDelegate.h"

#include "Core/Apps/AppCatalogue.h"
#include "Core/Settings/Settings.h"
#include "Platform/Platform.h"
#include "UI/Alerts/AlertService.h"
#include "UI/Search/PanelSources.h"

#include <QPointer>

namespace lumivast {

void AppDelegate::later(Duration delay, std::function<void(AppDelegate&)> work)
{
    QPointer<AppDelegate> self(this);
    std::erase_if(m_pending, [](const WorkItem& item) { return !item.isPending(); });
    m_pending.push_back(m_scheduler.after(delay, [self, work = std::move(work)] {
        if (self)
            work(*self);
    }));
}

WindowMover& AppDelegate::mover()
{
    if (!m_mover)
        m_mover = std::make_unique<WindowMover>(m_switcher, m_scheduler);
    return *m_mover;
}

AppRules& AppDelegate::appRules()
{
    if (!m_appRules)
        m_appRules = std::make_unique<AppRules>(m_store, mover());
    return *m_appRules;
}

Scratchpad& AppDelegate::scratchpad()
{
    if (!m_scratchpad)
        m_scratchpad = std::make_unique<Scratchpad>(mover(), m_contents);
    return *m_scratchpad;
}

LayoutManager& AppDelegate::layouts()
{
    if (!m_layouts)
        m_layouts = std::make_unique<LayoutManager>(mover(), m_contents, m_scheduler);
    return *m_layouts;
}

SavedSpaces& AppDelegate::savedSpaces()
{
    if (!m_savedSpaces)
        m_savedSpaces = std::make_unique<SavedSpaces>(m_store, m_contents, m_scheduler);
    return *m_savedSpaces;
}

void AppDelegate::wireWindowTools()
{
    QPointer<AppDelegate> self(this);

    // Focus memory learns which window was in front whenever an app comes forward.
    m_activationObserver = Platform::current().workspace().observeApplications(
        WorkspaceEvent::DidActivateApplication, [self](const RunningApplication&) {
            if (!self)
                return;
            const Space* current = self->m_watcher.snapshot().currentSpace();
            if (!current)
                return;
            const Space space = *current;
            self->later(FocusMemory::kRecordDelay, [space](AppDelegate& d) { d.m_focusMemory.leaving(space); });
        });

    m_spaceLock.start();
    m_spaceLock.onPulledAway = [self](const Space& from, const RunningApplication& app) {
        if (self)
            self->pulledAway(from, app);
    };

    m_contents.onNewWindows = [self](const std::vector<SpaceContents::WindowInfo>& windows) {
        if (!self)
            return;
        self->appRules().apply(windows, self->m_watcher.snapshot());
        self->updateSpaceDock();
    };

    wireAutomation();
    wireLocalAPI();
    wireFourFingerTap();

    // A window of the current Space: the sink raises it.
    m_spaceDock.onFocus = [self](const SpaceContents::WindowInfo& window) {
        if (self)
            self->commands().goToWindow(window);
    };

    layouts().startAutoSave([self] { return self ? self->m_watcher.snapshot() : SpaceSnapshot::empty(); });
    offerLayoutRestoreAfterRestart();
}

void AppDelegate::offerLayoutRestoreAfterRestart()
{
    // Only a launch soon after the system started gets the offer.
    if (Platform::current().system().systemUptime() >= 900)
        return;
    later(45s, [](AppDelegate& d) {
        const SpaceSnapshot snapshot = d.m_watcher.snapshot();
        const auto layout = d.layouts().load(LayoutManager::kAuto, LayoutManager::displaySetup(snapshot));
        if (!layout || layout->entries.empty())
            return;
        Alert alert;
        alert.messageText = tr("Put your windows back on their Spaces?");
        alert.informativeText = QStringLiteral("Lumivast saved where ") + QString::number(layout->entries.size())
            + QStringLiteral(" windows were before your ") + Platform::current().parts().words().computer
            + QStringLiteral(" restarted.");
        alert.buttons = {tr("Restore"), tr("Not Now")};
        d.m_alerts.open(alert, &d, [&d, layout = *layout](const AlertAnswer& answer) {
            if (answer.button != 0)
                return;
            QPointer<AppDelegate> self(&d);
            d.layouts().restore(layout, d.m_watcher.snapshot(), [self](int n) {
                if (self)
                    self->toast(tr("Put %1 windows back").arg(n), QStringLiteral("rectangle.3.group"));
            });
        });
    });
}

void AppDelegate::displaySetupMaybeChanged(const SpaceSnapshot& snapshot)
{
    const QString setup = LayoutManager::displaySetup(snapshot);
    if (m_lastDisplaySetup.isEmpty() || m_lastDisplaySetup == setup) {
        m_lastDisplaySetup = setup;
        return;
    }
    m_dispatcher.activateProfileForDisplaySetup(setup);
    const auto displays = [](const QString& key) { return key.split(QLatin1Char('+'), Qt::SkipEmptyParts).size(); };
    // A display was added: put back the windows saved for this setup.
    if (Settings::defaults().boolValue(Settings::Key::restoreOnDisplayReconnect)
        && displays(m_lastDisplaySetup) < displays(setup)) {
        if (const auto layout = layouts().load(LayoutManager::kAutoSetup, setup)) {
            const WindowLayout saved = *layout;
            later(3s, [saved](AppDelegate& d) {
                QPointer<AppDelegate> self(&d);
                d.layouts().restore(saved, d.m_watcher.snapshot(), [self](int n) {
                    if (self && n > 0)
                        self->toast(tr("Restored %1 windows to your external display").arg(n), QStringLiteral("display.2"));
                });
            });
        }
    }
    m_lastDisplaySetup = setup;
}

void AppDelegate::pulledAway(const Space& from, const RunningApplication& app)
{
    m_dispatcher.switchTo(from);
    const std::int32_t pid = app.pid;
    const QString name = app.localizedName.value_or(QStringLiteral("the app"));
    later(350ms, [pid, name](AppDelegate& d) {
        const auto& windows = d.m_contents.windows();
        const auto window = std::find_if(windows.begin(), windows.end(),
                                         [pid](const SpaceContents::WindowInfo& w) { return w.pid == pid; });
        if (window == windows.end()) {
            Platform::current().runningApplications().activate(pid);
            return;
        }
        d.mover().bringHere(*window, d.m_watcher.snapshot(),
                            [pid](WindowMover::Result) { Platform::current().runningApplications().activate(pid); });
        d.toast(tr("Brought %1 here").arg(name), QStringLiteral("lock"));
    });
}

void AppDelegate::updateSpaceDock()
{
    m_spaceDock.updateForCurrentSpace(m_watcher.snapshot(), m_contents, m_store);
}

void AppDelegate::showLauncher()
{
    AppLauncher::configure(m_launcherPanel.model(), m_contents, m_watcher, m_scheduler);
    m_launcherPanel.show();
}

void AppDelegate::bounceBack(const Space& to, const RunningApplication& app)
{
    m_dispatcher.switchTo(to);
    const std::int32_t pid = app.pid;
    later(350ms, [pid](AppDelegate& d) {
        // The app opens its new window on the Space the user stayed on.
        AppCatalogue::postCommandN(pid);
        d.later(300ms, [pid](AppDelegate&) { Platform::current().runningApplications().activate(pid); });
    });
    toast(tr("Stayed here and opened a new %1 window").arg(app.localizedName.value_or(tr("app"))), QStringLiteral("dock.rectangle"));
}

} // namespace lumivast
