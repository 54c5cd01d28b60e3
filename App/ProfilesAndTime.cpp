// The delegate's side of profiles and time tracking: the profile store,
// and sleeping and waking screens.

#include "App/AppDelegate.h"

#include "Core/Demo/DemoMode.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/AppPaths.h"
#include "Platform/Platform.h"
#include "UI/Alerts/AlertService.h"

#include <QPointer>

namespace lumivast {

ProfileStore& AppDelegate::profiles()
{
    if (!m_profiles)
        m_profiles = std::make_unique<ProfileStore>(m_store, m_scheduler, AppPaths::file(QStringLiteral("profiles.json")));
    return *m_profiles;
}

void AppDelegate::wireScreenSleep()
{
    QPointer<AppDelegate> self(this);
    Workspace& workspace = Platform::current().workspace();
    m_screensSleepObserver = workspace.observe(WorkspaceEvent::ScreensDidSleep, [self] {
        if (self)
            self->m_tracker.pause();
    });
    m_screensWakeObserver = workspace.observe(WorkspaceEvent::ScreensDidWake, [self] {
        if (self)
            self->m_tracker.resume(self->m_watcher.snapshot());
    });
}

} // namespace lumivast
