// The delegate's side of the Space automations: the runner and the two
// probes it asks about a Space's windows.

#include "App/AppDelegate.h"

#include <QPointer>

namespace lumivast {

AutomationRunner& AppDelegate::automation()
{
    if (!m_automation)
        m_automation = std::make_unique<AutomationRunner>(m_store, m_scheduler);
    return *m_automation;
}

void AppDelegate::wireAutomation()
{
    QPointer<AppDelegate> self(this);
    AutomationRunner& runner = automation();
    // Both answer from the last window-contents pass. A full-screen Space is
    // never empty; one the pass has not listed yet is.
    runner.isSpaceEmpty = [self](const Space& space) {
        if (!self || space.isFullscreen)
            return false;
        const auto& apps = self->m_contents.appsBySpace();
        const auto it = apps.find(space.managedID);
        return it == apps.end() || it->second.empty();
    };
    runner.appsOnSpace = [self](const Space& space) {
        std::set<std::int32_t> pids;
        if (!self)
            return pids;
        const auto& apps = self->m_contents.appsBySpace();
        if (const auto it = apps.find(space.managedID); it != apps.end()) {
            for (const SpaceContents::AppOnSpace& app : it->second)
                pids.insert(app.pid);
        }
        return pids;
    };
}

} // namespace lumivast
