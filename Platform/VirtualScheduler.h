#pragma once

#include "Platform/Scheduler.h"

#include <mutex>
#include <vector>

namespace lumivast {

// Time that moves only when a test says so. `advance` runs due work in time
// order (equal times in the order they were scheduled), including work that
// is scheduled while the advance runs.
class VirtualScheduler final : public Scheduler {
public:
    explicit VirtualScheduler(QDateTime wallStart = QDateTime(QDate(2026, 1, 5), QTime(9, 0), Qt::UTC));
    ~VirtualScheduler() override;

    void post(std::function<void()> fn) override;
    WorkItem after(Duration delay, std::function<void()> fn) override;
    WorkItem every(Duration interval, std::function<void()> fn, Duration tolerance = Duration::zero()) override;
    Duration now() const override;
    QDateTime wallNow() const override;

    // Moves time forward by `by`, running everything that falls due on the way.
    void advance(Duration by);
    // Runs what is due now (posted work included) without moving time.
    void runPending() { advance(Duration::zero()); }
    // Number of work items waiting (posted or timed, not cancelled).
    std::size_t pendingCount() const;

    struct Core;

private:
    std::shared_ptr<Core> m_core;
};

} // namespace lumivast
