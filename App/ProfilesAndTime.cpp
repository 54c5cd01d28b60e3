// The delegate's side of profiles, templates, time tracking and demo mode:
// the profile and template commands, the profile bound to a display setup,
// sleeping and waking screens, and the demo tour.

#include "App/AppDelegate.h"

#include "Core/Demo/DemoMode.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/AppPaths.h"
#include "Platform/Platform.h"
#include "UI/Alerts/AlertService.h"

#include <QPointer>

namespace lumivast {

namespace {

const QString kProfileSymbol = QStringLiteral("person.crop.rectangle.stack");

} // namespace

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
        if (!self)
            return;
        if (const Space* current = self->m_watcher.snapshot().currentSpace())
            self->m_tracker.track(current->id);
    });
}

void AppDelegate::activateProfileForDisplaySetup(const QString& setup)
{
    const QMap<QString, QString> bound = Settings::profileByDisplaySetup();
    const auto it = bound.constFind(setup);
    if (it == bound.constEnd())
        return;
    const QString name = it.value();
    if (name == Settings::defaults().string(Settings::Key::activeProfile).value_or(QString()))
        return;
    if (const auto activated = profiles().activate(name))
        toast(tr("Profile: %1").arg(name), kProfileSymbol);
    else if (activated.error() == ProfileStore::Failure::notWritten)
        errorToast(tr("Could not switch to profile %1: the files could not be written").arg(name));
}

} // namespace lumivast
