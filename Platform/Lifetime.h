#pragma once

#include "Platform/Scheduler.h"

#include <QtGlobal>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <tuple>
#include <utility>

namespace lumivast {

// An owner's life as seen by work that may outlive it: a worker's answer, a
// handler kept by a registration that cannot be withdrawn, a step scheduled
// for later. The owner holds the Lifetime and lives and dies on the main
// thread; the work runs only while the owner still lives.
//
//   post(fn)   any thread: fn runs on the main thread, unless the owner is gone by then
//   wrap(fn)   a callable for any thread that posts fn(args...) the same way
//   guard(fn)  a callable that runs fn at once, on the calling thread, while the owner lives;
//              the owner's end waits for a call in progress on another thread
//
// An owner that only guards needs no scheduler.
//
// What these hand out may be kept and called after the owner is gone; it then
// does nothing, and never touches the scheduler again.
class Lifetime {
    struct State {
        explicit State(Scheduler* s) : scheduler(s) {}
        // Held while a guarded call runs and while posting; end() takes it too.
        std::recursive_mutex mutex;
        Scheduler* const scheduler;
        std::atomic<bool> alive{true};
    };

public:
    Lifetime() : m_state(std::make_shared<State>(nullptr)) {}
    explicit Lifetime(Scheduler& scheduler) : m_state(std::make_shared<State>(&scheduler)) {}
    ~Lifetime() { end(); }
    Lifetime(const Lifetime&) = delete;
    Lifetime& operator=(const Lifetime&) = delete;

    // Main thread. Work handed out before never runs from now on.
    void end()
    {
        std::lock_guard lock(m_state->mutex);
        m_state->alive = false;
    }

    void post(std::function<void()> fn) const { post(m_state, std::move(fn)); }

    template <class F>
    auto wrap(F fn) const
    {
        return [state = m_state, fn = std::move(fn)](auto... args) {
            post(state, [fn, args = std::make_tuple(std::move(args)...)]() mutable { std::apply(fn, std::move(args)); });
        };
    }

    template <class F>
    auto guard(F fn) const
    {
        return [state = m_state, fn = std::move(fn)](auto&&... args) {
            std::lock_guard lock(state->mutex);
            if (state->alive)
                fn(std::forward<decltype(args)>(args)...);
        };
    }

private:
    static void post(const std::shared_ptr<State>& state, std::function<void()> fn)
    {
        std::lock_guard lock(state->mutex);
        if (!state->alive)
            return;
        Q_ASSERT_X(state->scheduler, "Lifetime::post", "an owner that posts is given its scheduler");
        state->scheduler->post([state, fn = std::move(fn)] {
            // On the main thread, where the owner ends: no lock needed to trust the answer.
            if (state->alive)
                fn();
        });
    }

    std::shared_ptr<State> m_state;
};

} // namespace lumivast
