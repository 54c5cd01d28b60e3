#pragma once

#include "Core/MissionControl/SpaceManagement.h"

#include <deque>
#include <functional>
#include <memory>

namespace lumivast {

// Desktop management requests one at a time. Each request operates Mission
// Control from opening to closing; one started while another is under way, or
// while Mission Control is still closing behind it, would act on a closing
// screen and be lost. A request that arrives meanwhile waits, in arrival order,
// and starts once the one before has ended and Mission Control is gone (looked
// for every 0.1 s, for at most 2 s). Main thread only.
class ManagementQueue final {
public:
    static constexpr Duration kCloseLook = 100ms;
    static constexpr int kCloseLooks = 20;

    explicit ManagementQueue(Scheduler& scheduler);
    ~ManagementQueue();
    ManagementQueue(const ManagementQueue&) = delete;
    ManagementQueue& operator=(const ManagementQueue&) = delete;

    void addDesktop(SpaceManagement::Completion completion);
    // `starting`, if given, runs just before the removal itself starts (after any request before it).
    void removeDesktop(int number, SpaceManagement::Completion completion, std::function<void()> starting = {});
    // A request is under way or waiting.
    bool isBusy() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace lumivast
