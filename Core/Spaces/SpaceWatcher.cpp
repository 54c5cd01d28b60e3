#include "Core/Spaces/SpaceWatcher.h"

#include "CGSBridge/CGSBridge.h"
#include "Core/Spaces/SpaceProvider.h"
#include "Platform/Log.h"
#include "Platform/Platform.h"
#include "Platform/SystemParts.h"

namespace lumivast {

// What the window server holds as the notification context.
using WindowServerHandler = std::function<void(std::uint32_t event)>;

SpaceWatcher::SpaceWatcher(Scheduler& scheduler, QString preferencesPath, QObject* parent)
    : QObject(parent), m_scheduler(scheduler), m_preferencesPath(std::move(preferencesPath)), m_lifetime(scheduler)
{
}

SpaceWatcher::~SpaceWatcher() = default;

void SpaceWatcher::start()
{
    if (m_started)
        return;
    m_started = true;

    // The registration lasts for the process, so its context does too (never freed); once the
    // watcher is gone, events are dropped.
    auto* handler = new WindowServerHandler(m_lifetime.wrap([this](std::uint32_t event) {
        requestRefresh(QStringLiteral("ws:") + QString::number(event));
    }));
    if (!CGSBridgeRegisterSpaceNotifications(&SpaceWatcher::windowServerEvent, handler))
        qCCritical(lcSpaceWatcher) << "WindowServer notifications unavailable, relying on fallbacks";

    Platform& platform = Platform::current();
    Workspace& workspace = platform.workspace();
    for (WorkspaceEvent event : {WorkspaceEvent::ActiveSpaceDidChange, WorkspaceEvent::ScreenParametersDidChange, WorkspaceEvent::DidWake}) {
        m_observers.push_back(workspace.observe(event, [this, event] {
            requestRefresh(event == WorkspaceEvent::ActiveSpaceDidChange       ? QStringLiteral("activeSpace")
                           : event == WorkspaceEvent::ScreenParametersDidChange ? QStringLiteral("screens")
                                                                                : QStringLiteral("wake"));
        }));
    }
    if (m_preferencesPath.isEmpty())
        m_preferencesPath = platform.spacesPreferencesPath();
    watchPlist();
    refresh();
}

// Any thread: touches no state, only queues the refresh request on the main thread.
void SpaceWatcher::windowServerEvent(std::uint32_t event, void* context)
{
    if (const auto* handler = static_cast<const WindowServerHandler*>(context))
        (*handler)(event);
}

// The reason only labels the source ("ws:1401", "plist", ...); nothing depends on it.
void SpaceWatcher::requestRefresh([[maybe_unused]] const QString& reason)
{
    // Replacing the work item cancels the pending refresh; the item dies with the watcher.
    m_pendingRefresh = m_scheduler.after(kDebounce, [this] { refresh(); });
}

void SpaceWatcher::watchPlist()
{
    m_plistSource.reset();
    m_plistRetry.cancel();
    m_plistSource = Platform::current().files().watch(m_preferencesPath, [this](FileEvents events) {
        requestRefresh(QStringLiteral("plist"));
        if (events & (FileEvent::Delete | FileEvent::Rename))
            m_plistRetry = m_scheduler.after(kRearmDelay, [this] { watchPlist(); });
    });
    if (!m_plistSource)
        m_plistRetry = m_scheduler.after(kReopenDelay, [this] { watchPlist(); });
}

void SpaceWatcher::refresh()
{
    std::optional<SpaceSnapshot> fresh = SpaceProvider::snapshot(m_scheduler);
    if (!fresh) {
        // An unreadable list is usually momentary and the last snapshot stands; a system that
        // has no desktops at all (no window manager) has no current Space to show either.
        if (m_snapshot.displays.empty() || Platform::current().parts().whyNoDesktops().isEmpty())
            return;
        fresh = SpaceSnapshot::empty();
    }
    if (fresh->displays == m_snapshot.displays && !m_snapshot.displays.empty())
        return;

    std::optional<Space> from;
    if (const Space* active = m_snapshot.currentSpace())
        from = *active;
    m_snapshot = std::move(*fresh);
    emit changed();

    if (onSnapshot)
        onSnapshot(m_snapshot);
    const Space* to = m_snapshot.currentSpace();
    if (to && (!from || from->id != to->id) && onActiveSpaceChange) {
        const Space target = *to; // a callback may cause the snapshot to be replaced
        onActiveSpaceChange(from, target);
    }
}

} // namespace lumivast
