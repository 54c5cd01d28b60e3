// What the dispatcher does about changes no front asked for: the user pulled
// away from a Space, a display came or went, the system restarted, Spaces
// went away.

#include "Core/Commands/CommandDispatcher.h"

#include "Core/Apps/AppCatalogue.h"
#include "Core/Previews/ThumbnailService.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceContents.h"
#include "Core/Spaces/SpaceHistory.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "Core/Windows/LayoutManager.h"
#include "Core/Windows/WindowMover.h"
#include "Platform/Platform.h"
#include "Platform/RunningApplications.h"

#include <QPointer>
#include <QSet>

#include <algorithm>

namespace lumivast {

bool CommandDispatcher::ownSwitchJustNow() const
{
    return m_services.scheduler.now() - m_lastOwnSwitch < kOwnSwitchWindow;
}

void CommandDispatcher::bounceBack(const Space& to, const RunningApplication& app)
{
    switchTo(to);
    const std::int32_t pid = app.pid;
    later(350ms, [pid](CommandDispatcher& d) {
        // The app opens its new window on the Space the user stayed on.
        AppCatalogue::postCommandN(pid);
        d.later(300ms, [pid](CommandDispatcher&) { Platform::current().runningApplications().activate(pid); });
    });
    toast(tr("Stayed here and opened a new %1 window").arg(app.localizedName.value_or(tr("app"))),
          QStringLiteral("dock.rectangle"));
}

void CommandDispatcher::pulledAway(const Space& from, const RunningApplication& app)
{
    switchTo(from);
    const std::int32_t pid = app.pid;
    const QString name = app.localizedName.value_or(QStringLiteral("the app"));
    later(350ms, [pid, name](CommandDispatcher& d) {
        const auto& windows = d.m_services.contents.windows();
        const auto window = std::find_if(windows.begin(), windows.end(),
                                         [pid](const SpaceContents::WindowInfo& w) { return w.pid == pid; });
        if (window == windows.end()) {
            Platform::current().runningApplications().activate(pid);
            return;
        }
        d.m_parts.mover().bringHere(*window, d.m_services.watcher.snapshot(), [pid](WindowMover::Result) {
            Platform::current().runningApplications().activate(pid);
        });
        d.toast(tr("Brought %1 here").arg(name), QStringLiteral("lock"));
    });
}

void CommandDispatcher::displaySetupMaybeChanged(const SpaceSnapshot& snapshot)
{
    const QString setup = LayoutManager::displaySetup(snapshot);
    if (m_lastDisplaySetup.isEmpty() || m_lastDisplaySetup == setup) {
        m_lastDisplaySetup = setup;
        return;
    }
    activateProfileForDisplaySetup(setup);
    const auto displays = [](const QString& key) { return key.split(QLatin1Char('+'), Qt::SkipEmptyParts).size(); };
    // A display was added: put back the windows saved for this setup.
    if (Settings::defaults().boolValue(Settings::Key::restoreOnDisplayReconnect)
        && displays(m_lastDisplaySetup) < displays(setup)) {
        if (const auto layout = m_parts.layouts().load(LayoutManager::kAutoSetup, setup)) {
            const WindowLayout saved = *layout;
            later(3s, [saved](CommandDispatcher& d) {
                QPointer<CommandDispatcher> self(&d);
                d.m_parts.layouts().restore(saved, d.m_services.watcher.snapshot(), [self](int n) {
                    if (self && n > 0)
                        self->toast(tr("Restored %1 windows to your external display").arg(n), QStringLiteral("display.2"));
                });
            });
        }
    }
    m_lastDisplaySetup = setup;
}

void CommandDispatcher::offerLayoutRestoreAfterRestart()
{
    // Only a launch soon after the system started gets the offer.
    if (Platform::current().system().systemUptime() >= 900)
        return;
    later(45s, [](CommandDispatcher& d) {
        const SpaceSnapshot snapshot = d.m_services.watcher.snapshot();
        const auto layout = d.m_parts.layouts().load(LayoutManager::kAuto, LayoutManager::displaySetup(snapshot));
        if (!layout || layout->entries.empty())
            return;
        QPointer<CommandDispatcher> self(&d);
        d.m_views.offerLayoutRestore(static_cast<int>(layout->entries.size()), [self, layout = *layout](bool restore) {
            if (!self || !restore)
                return;
            self->m_parts.layouts().restore(layout, self->m_services.watcher.snapshot(), [self](int n) {
                if (self)
                    self->toast(tr("Put %1 windows back").arg(n), QStringLiteral("rectangle.3.group"));
            });
        });
    });
}

void CommandDispatcher::forgetGoneSpaces(const SpaceSnapshot& snapshot)
{
    QSet<QString> ids;
    for (const Space& space : snapshot.allSpaces())
        ids.insert(space.id);
    m_services.store.pruneAgainst(snapshot);
    // No Spaces at all (no window manager for a while) forgets none of them.
    if (!ids.isEmpty()) {
        m_services.thumbnails.prune(ids);
        m_services.history.prune(ids);
    }
}

} // namespace lumivast
