#pragma once

#include "Core/Spaces/SpaceModel.h"
#include "Platform/RunningApplications.h"
#include "Platform/Scheduler.h"
#include "Platform/Workspace.h"

#include <functional>
#include <optional>

namespace lumivast {

// Keeps the user on the current Space when activating an application pulled
// the display over to a Space where that application has its windows
// (setting "spaceLock"). It only recognises the pull; the delegate switches
// back and brings the application's window over. Main thread only.
class SpaceLock final {
public:
    // A Space change this soon after another application's activation counts as its pull.
    static constexpr Duration kPullWindow = 700ms;

    struct Activation {
        std::int32_t pid = 0;
        Duration at{0}; // scheduler time
    };

    explicit SpaceLock(Scheduler& scheduler) : m_scheduler(scheduler) {}

    // Called with the Space pulled away from and the application that pulled.
    std::function<void(const Space& from, const RunningApplication& app)> onPulledAway;

    // Starts watching application activations. Only the first call counts.
    void start();
    // True when the change was a pull and has been handed to onPulledAway;
    // the delegate then skips its other reactions to the change.
    bool spaceChanged(const std::optional<Space>& from, const Space& to, bool initiatedByLumivast);

    const std::optional<Activation>& lastActivation() const { return m_lastActivation; }

private:
    Scheduler& m_scheduler;
    std::optional<Activation> m_lastActivation;
    bool m_started = false;
    Subscription m_observer; // dropped with the lock, so the handler never outlives it
};

} // namespace lumivast
