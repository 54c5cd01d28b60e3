#include "UI/MenuBar/NamePrompts.h"

#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceStore.h"
#include "Core/Spaces/SpaceWatcher.h"
#include "UI/MenuBar/RenameDialog.h"

namespace lumivast {

namespace {

bool asking()
{
    return Settings::defaults().boolValue(Settings::Key::askToNameNewSpaces);
}

} // namespace

NamePrompts::NamePrompts(Scheduler& scheduler, const SpaceWatcher& watcher, SpaceStore& store, AlertService& alerts,
                         std::function<bool()> isOverviewOpen)
    : m_scheduler(scheduler)
    , m_watcher(watcher)
    , m_store(store)
    , m_alerts(alerts)
    , m_isOverviewOpen(std::move(isOverviewOpen))
{
}

void NamePrompts::snapshotChanged(const SpaceSnapshot& snapshot)
{
    QSet<QString> ids;
    for (const Space& space : snapshot.allSpaces())
        ids.insert(space.id);
    if (m_known.isEmpty() || !asking()) {
        m_known = ids;
        return;
    }
    bool found = false;
    for (const Space& space : snapshot.allSpaces()) {
        if (m_known.contains(space.id) || space.isFullscreen || m_store.hasCustomName(space))
            continue;
        found = true;
        if (!m_queue.contains(space.id))
            m_queue.append(space.id);
    }
    m_known = ids;
    if (found)
        later(kDelayAfterNewSpace);
}

void NamePrompts::showNext()
{
    if (!asking()) {
        m_queue.clear();
        return;
    }
    if (m_isOverviewOpen() && !m_showing && !m_queue.isEmpty()) {
        later(kRetryWhileOverviewOpen);
        return;
    }
    promptFromQueue();
}

void NamePrompts::promptFromQueue()
{
    while (!m_showing && !m_queue.isEmpty()) {
        const QString id = m_queue.takeFirst();
        const Space* space = m_watcher.snapshot().space(id);
        if (space && !m_store.hasCustomName(*space)) {
            const Space named = *space;
            m_showing = true;
            // The prompt's own box turns the setting off, which drops the rest of the queue.
            RenameDialog::present(named, m_store, m_watcher, true, m_alerts, m_lifetime.guard([this] {
                m_showing = false;
                if (!asking())
                    return m_queue.clear();
                promptFromQueue();
            }));
            return;
        }
    }
}

void NamePrompts::later(Duration delay)
{
    std::erase_if(m_pending, [](const WorkItem& item) { return !item.isPending(); });
    m_pending.push_back(m_scheduler.after(delay, [this] { showNext(); }));
}

} // namespace lumivast
