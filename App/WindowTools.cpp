// The delegate's side of the window tools: the parts made on first use and
// what their callbacks do.

#include "App/AppDelegate.h"

#include "Platform/Platform.h"
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
            self->m_focusMemory.applicationActivated(*current);
        });

    m_spaceLock.start();
    m_spaceLock.onPulledAway = [self](const Space& from, const RunningApplication& app) {
        if (self)
            self->m_dispatcher.pulledAway(from, app);
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
    m_dispatcher.offerLayoutRestoreAfterRestart();
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

} // namespace lumivast
