#pragma once

#include "Core/Spaces/SpaceModel.h"
#include "Platform/Lifetime.h"
#include "Platform/Scheduler.h"

#include <QSet>
#include <QStringList>

#include <functional>
#include <vector>

namespace lumivast {

class AlertService;
class SpaceStore;
class SpaceWatcher;

// Asks for a name for each new Space without one, one question at a time,
// while "askToNameNewSpaces" is on. The first snapshot (and the first after one
// without Spaces) asks for nothing; the overview holds the questions back. The
// prompt's own box turns the setting off, which drops what is still queued.
class NamePrompts final {
public:
    static constexpr Duration kDelayAfterNewSpace = 800ms;
    static constexpr Duration kRetryWhileOverviewOpen = 1s;

    NamePrompts(Scheduler& scheduler, const SpaceWatcher& watcher, SpaceStore& store, AlertService& alerts,
                std::function<bool()> isOverviewOpen);
    NamePrompts(const NamePrompts&) = delete;
    NamePrompts& operator=(const NamePrompts&) = delete;

    void snapshotChanged(const SpaceSnapshot& snapshot);
    const QStringList& queue() const { return m_queue; }

private:
    void showNext();
    void promptFromQueue();
    void later(Duration delay);

    Scheduler& m_scheduler;
    const SpaceWatcher& m_watcher;
    SpaceStore& m_store;
    AlertService& m_alerts;
    std::function<bool()> m_isOverviewOpen;
    QSet<QString> m_known;
    QStringList m_queue;
    bool m_showing = false;
    std::vector<WorkItem> m_pending;
    Lifetime m_lifetime; // last: its end comes first
};

} // namespace lumivast
