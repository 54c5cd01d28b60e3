#include "Platform/VirtualScheduler.h"

#include <algorithm>

namespace lumivast {

struct VirtualScheduler::Core {
    Duration now{0};
    QDateTime wallStart;
    std::uint64_t nextSeq = 0;
    std::vector<std::shared_ptr<struct VirtualEntry>> entries;

    std::mutex postedMutex;
    std::vector<std::function<void()>> posted;
};

struct VirtualEntry final : ScheduledWork, std::enable_shared_from_this<VirtualEntry> {
    std::weak_ptr<VirtualScheduler::Core> core;
    std::function<void()> fn;
    Duration delay{0};
    Duration due{0};
    std::uint64_t seq = 0;
    bool repeating = false;
    bool pending = false;

    void schedule(VirtualScheduler::Core& c, Duration d)
    {
        delay = d;
        due = c.now + d;
        seq = c.nextSeq++;
        if (!pending) {
            pending = true;
            c.entries.push_back(shared_from_this());
        }
    }
    void cancel() override
    {
        pending = false;
        if (auto c = core.lock())
            std::erase_if(c->entries, [this](const auto& e) { return e.get() == this; });
    }
    void rearm(std::optional<Duration> d) override
    {
        if (auto c = core.lock())
            schedule(*c, d.value_or(delay));
    }
    bool isPending() const override { return pending; }
};

VirtualScheduler::VirtualScheduler(QDateTime wallStart) : m_core(std::make_shared<Core>())
{
    m_core->wallStart = std::move(wallStart);
}

VirtualScheduler::~VirtualScheduler() = default;

void VirtualScheduler::post(std::function<void()> fn)
{
    std::lock_guard lock(m_core->postedMutex);
    m_core->posted.push_back(std::move(fn));
}

static WorkItem makeEntry(const std::shared_ptr<VirtualScheduler::Core>& core, Duration delay,
                          std::function<void()> fn, bool repeating)
{
    auto entry = std::make_shared<VirtualEntry>();
    entry->core = core;
    entry->fn = std::move(fn);
    entry->repeating = repeating;
    entry->schedule(*core, delay);
    return WorkItem(entry);
}

WorkItem VirtualScheduler::after(Duration delay, std::function<void()> fn)
{
    return makeEntry(m_core, std::max(delay, Duration::zero()), std::move(fn), false);
}

WorkItem VirtualScheduler::every(Duration interval, std::function<void()> fn, Duration)
{
    // A zero interval would spin forever inside advance().
    return makeEntry(m_core, std::max(interval, Duration(1)), std::move(fn), true);
}

Duration VirtualScheduler::now() const
{
    return m_core->now;
}

QDateTime VirtualScheduler::wallNow() const
{
    return m_core->wallStart.addMSecs(m_core->now.count());
}

std::size_t VirtualScheduler::pendingCount() const
{
    std::lock_guard lock(m_core->postedMutex);
    return m_core->entries.size() + m_core->posted.size();
}

void VirtualScheduler::advance(Duration by)
{
    auto core = m_core; // work may destroy this scheduler's owner; keep the core alive
    const Duration target = core->now + std::max(by, Duration::zero());
    for (;;) {
        // Posted work runs first, at the current moment.
        std::vector<std::function<void()>> posted;
        {
            std::lock_guard lock(core->postedMutex);
            posted.swap(core->posted);
        }
        if (!posted.empty()) {
            for (auto& fn : posted)
                fn();
            continue;
        }
        auto next = std::min_element(core->entries.begin(), core->entries.end(), [](const auto& a, const auto& b) {
            return a->due != b->due ? a->due < b->due : a->seq < b->seq;
        });
        if (next == core->entries.end() || (*next)->due > target)
            break;
        std::shared_ptr<VirtualEntry> entry = *next;
        core->entries.erase(next);
        entry->pending = false;
        core->now = std::max(core->now, entry->due);
        if (entry->repeating)
            entry->schedule(*core, entry->delay);
        auto fn = entry->fn;
        if (fn)
            fn();
    }
    core->now = target;
}

} // namespace lumivast
