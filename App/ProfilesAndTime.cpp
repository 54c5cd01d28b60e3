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

void AppDelegate::performProfile(const QString& name)
{
    if (const auto activated = profiles().activate(name))
        toast(tr("Profile: %1").arg(name), kProfileSymbol);
    else if (activated.error() == ProfileStore::Failure::notWritten)
        errorToast(tr("Could not switch to profile %1: the files could not be written").arg(name));
    else
        errorToast(tr("No profile is called %1").arg(name));
}

void AppDelegate::performTemplate(const QString& name)
{
    std::vector<SpaceTemplate> candidates = SpaceTemplate::builtIn();
    for (SpaceTemplate& imported : SpaceTemplate::imported(AppPaths::file(QStringLiteral("templates.json"))))
        candidates.push_back(std::move(imported));
    const auto found = std::find_if(candidates.begin(), candidates.end(), [&](const SpaceTemplate& t) {
        return t.name.compare(name, Qt::CaseInsensitive) == 0;
    });
    if (found == candidates.end())
        return errorToast(tr("No template is called %1").arg(name));
    applyTemplate(*found);
}

void AppDelegate::applyTemplate(const SpaceTemplate& chosen)
{
    const SpaceTemplate::Result result = chosen.apply(m_watcher.snapshot(), m_store);
    const auto applied = [this, name = chosen.name] {
        toast(tr("Applied the %1 template").arg(name), QStringLiteral("square.grid.2x2"));
    };
    if (result.missing > 0) {
        Alert alert;
        alert.messageText = chosen.name + QStringLiteral(" needs ") + QString::number(result.missing)
            + QStringLiteral(" more desktop") + (result.missing == 1 ? QString() : QStringLiteral("s"));
        alert.informativeText = QStringLiteral("Lumivast set up ") + QString::number(result.applied)
            + QStringLiteral(" desktops. Add the rest now?");
        if (Platform::current().parts().has(SystemParts::Part::missionControl))
            alert.informativeText += QStringLiteral(" Mission Control will open briefly.");
        alert.buttons = {tr("Add Desktops"), tr("Not Now")};
        m_alerts.open(alert, this, [this, chosen, missing = result.missing, applied](const AlertAnswer& answer) {
            if (answer.button == 0) {
                // Once the desktops are there, the template again, so the new ones get their slots too.
                addDesktops(missing, [self = QPointer<AppDelegate>(this), chosen] {
                    if (self)
                        self->later(800ms, [chosen](AppDelegate& d) { chosen.apply(d.m_watcher.snapshot(), d.m_store); });
                });
            }
            applied();
        });
        return;
    }
    applied();
}

} // namespace lumivast
