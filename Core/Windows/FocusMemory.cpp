#include "Core/Windows/FocusMemory.h"

#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceContents.h"
#include "Core/Windows/AX.h"
#include "Core/Windows/Deferred.h"
#include "Core/Windows/WindowMover.h"
#include "Platform/Platform.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>

namespace lumivast {

void FocusMemory::leaving(const Space& space)
{
    const auto frontmost = Platform::current().runningApplications().frontmostApplication();
    if (!frontmost || frontmost->pid == std::int32_t(QCoreApplication::applicationPid()))
        return; // our own panels and settings are never remembered
    const auto focused = AX::focusedWindowID(frontmost->pid);
    if (!focused)
        return;
    m_lastWindow[space.id] = Entry{*focused, frontmost->pid};
}

void FocusMemory::applicationActivated(const Space& current)
{
    std::erase_if(m_pending, [](const WorkItem& item) { return !item.isPending(); });
    m_pending.push_back(m_scheduler.after(kRecordDelay, [this, current] { leaving(current); }));
}

void FocusMemory::entered(const Space& space, SpaceContents& contents)
{
    if (!Settings::defaults().boolValue(Settings::Key::restoreFocus))
        return;
    const auto it = m_lastWindow.find(space.id);
    if (it == m_lastWindow.end())
        return;
    const Entry remembered = it->second;
    const int managedID = space.managedID;
    QPointer<SpaceContents> guarded(&contents);
    // Holds what it needs by value, not this object.
    runDetached(m_scheduler, kRestoreDelay, [guarded, managedID, remembered] {
        if (!guarded)
            return;
        const auto listed = guarded->windows(managedID);
        const auto has = [&](std::uint32_t id) {
            return std::any_of(listed.begin(), listed.end(), [id](const SpaceContents::WindowInfo& w) { return w.id == id; });
        };
        if (!has(remembered.id))
            return; // closed or moved away
        const WindowMover::FrontWindow window{remembered.id, remembered.pid, {}};
        const auto frontmost = Platform::current().runningApplications().frontmostApplication();
        if (frontmost) {
            const bool frontmostHere = std::any_of(listed.begin(), listed.end(), [&](const SpaceContents::WindowInfo& w) {
                return w.pid == frontmost->pid;
            });
            if (frontmostHere) {
                const auto focused = AX::focusedWindowID(frontmost->pid);
                if (focused && has(*focused))
                    return; // the user already works in a window of this Space
            }
        }
        WindowMover::raise(window);
    });
}

} // namespace lumivast
