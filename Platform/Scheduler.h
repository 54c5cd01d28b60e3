#pragma once

#include <QDateTime>

#include <chrono>
#include <functional>
#include <memory>

namespace lumivast {

using Duration = std::chrono::milliseconds;
using namespace std::chrono_literals;

// Seconds as written in settings and tables ("0.3 s") to the scheduler's unit.
constexpr Duration seconds(double s) { return Duration(static_cast<Duration::rep>(s * 1000.0 + 0.5)); }

// One scheduled piece of work as the scheduler sees it. Implementations are
// scheduler-specific; owners only ever touch it through WorkItem.
class ScheduledWork {
public:
    virtual ~ScheduledWork() = default;
    virtual void cancel() = 0;
    // Schedules again, `delay` from now (the original delay or interval when empty).
    virtual void rearm(std::optional<Duration> delay) = 0;
    virtual bool isPending() const = 0;
};

// Handle held by the owner of delayed or repeating work. Dropping or
// reassigning it cancels the work, so "a new request replaces the pending
// one" is simply `item = scheduler.after(...)`.
class WorkItem {
public:
    WorkItem() = default;
    explicit WorkItem(std::shared_ptr<ScheduledWork> work) : m_work(std::move(work)) {}
    WorkItem(const WorkItem&) = delete;
    WorkItem& operator=(const WorkItem&) = delete;
    WorkItem(WorkItem&&) noexcept = default;
    WorkItem& operator=(WorkItem&& other) noexcept
    {
        if (this != &other) {
            cancel();
            m_work = std::move(other.m_work);
        }
        return *this;
    }
    ~WorkItem() { cancel(); }

    void cancel()
    {
        if (m_work)
            m_work->cancel();
    }
    void rearm(std::optional<Duration> delay = std::nullopt)
    {
        if (m_work)
            m_work->rearm(delay);
    }
    bool isPending() const { return m_work && m_work->isPending(); }
    explicit operator bool() const { return static_cast<bool>(m_work); }

private:
    std::shared_ptr<ScheduledWork> m_work;
};

// The only source of time and deferred work for Core and UI. All work runs on
// the main thread; `post` may be called from any thread.
class Scheduler {
public:
    virtual ~Scheduler() = default;

    virtual void post(std::function<void()> fn) = 0;
    [[nodiscard]] virtual WorkItem after(Duration delay, std::function<void()> fn) = 0;
    // Repeats every `interval` until cancelled; `tolerance` lets the system coalesce wake-ups.
    [[nodiscard]] virtual WorkItem every(Duration interval, std::function<void()> fn, Duration tolerance = Duration::zero()) = 0;

    // Monotonic time since an arbitrary origin.
    virtual Duration now() const = 0;
    // Wall-clock time, for dates shown or stored.
    virtual QDateTime wallNow() const = 0;
};

} // namespace lumivast
