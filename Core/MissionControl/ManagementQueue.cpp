#include "Core/MissionControl/ManagementQueue.h"

#include <functional>
#include <utility>

namespace lumivast {

struct ManagementQueue::State {
    using Start = std::function<void(SpaceManagement::Completion)>;
    struct Waiting {
        Start start;
        SpaceManagement::Completion completion;
    };

    explicit State(Scheduler& s) : scheduler(s) {}

    void enqueue(std::shared_ptr<State> self, Start start, SpaceManagement::Completion completion)
    {
        waiting.push_back({std::move(start), std::move(completion)});
        if (!running)
            startNext(std::move(self));
    }

    void startNext(std::shared_ptr<State> self)
    {
        if (waiting.empty())
            return;
        running = true;
        Waiting request = std::move(waiting.front());
        waiting.pop_front();
        std::weak_ptr<State> weak = self;
        request.start([weak, completion = std::move(request.completion)](std::expected<void, SpaceManagement::Failure> result) {
            if (completion)
                completion(result);
            if (const auto state = weak.lock())
                state->afterClose(state, 0);
        });
    }

    // The next request starts once Mission Control has closed, or gives up waiting.
    void afterClose(const std::shared_ptr<State>& self, int looks)
    {
        if (!SpaceManagement::isMissionControlShown() || looks >= kCloseLooks) {
            running = false;
            return startNext(self);
        }
        std::weak_ptr<State> weak = self;
        wait = scheduler.after(kCloseLook, [weak, looks] {
            if (const auto state = weak.lock())
                state->afterClose(state, looks + 1);
        });
    }

    Scheduler& scheduler;
    std::deque<Waiting> waiting;
    bool running = false;
    WorkItem wait;
};

ManagementQueue::ManagementQueue(Scheduler& scheduler)
    : m_state(std::make_shared<State>(scheduler))
{
}

ManagementQueue::~ManagementQueue() = default;

void ManagementQueue::addDesktop(SpaceManagement::Completion completion)
{
    Scheduler& scheduler = m_state->scheduler;
    m_state->enqueue(m_state, [&scheduler](SpaceManagement::Completion done) { SpaceManagement::addDesktop(scheduler, std::move(done)); },
                     std::move(completion));
}

void ManagementQueue::removeDesktop(int number, SpaceManagement::Completion completion, std::function<void()> starting)
{
    Scheduler& scheduler = m_state->scheduler;
    m_state->enqueue(m_state,
                     [&scheduler, number, starting = std::move(starting)](SpaceManagement::Completion done) {
                         if (starting)
                             starting();
                         SpaceManagement::removeDesktop(scheduler, number, std::move(done));
                     },
                     std::move(completion));
}

bool ManagementQueue::isBusy() const
{
    return m_state->running || !m_state->waiting.empty();
}

} // namespace lumivast
