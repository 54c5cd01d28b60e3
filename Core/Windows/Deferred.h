#pragma once

#include "Platform/Scheduler.h"

#include <functional>
#include <memory>

namespace lumivast {

// Runs `fn` once, `delay` from now, with nobody holding a work item: the
// work keeps itself alive until it has run. For steps that must happen even
// when the object that scheduled them is gone (releasing a held mouse button).
inline void runDetached(Scheduler& scheduler, Duration delay, std::function<void()> fn)
{
    auto self = std::make_shared<WorkItem>();
    *self = scheduler.after(delay, [self, fn = std::move(fn)] {
        // Moving the item out breaks the cycle; the scheduler keeps the running work alive.
        WorkItem done = std::move(*self);
        fn();
    });
}

} // namespace lumivast
