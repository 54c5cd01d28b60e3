#pragma once

#include "Platform/HotKeys.h"
#include "Platform/Scheduler.h"

#include <functional>
#include <memory>

namespace lumivast {

// One system-wide keyboard shortcut. The object's lifetime is the
// registration's: destroying it unregisters the key. Presses reach one shared
// handler, which runs the key's action through the scheduler's main queue.
// Made, pressed and destroyed on the main thread only.
class GlobalHotKey final {
public:
    using Action = std::function<void()>;

    // Tells our registrations from other hot-key events reaching the handler.
    static constexpr quint32 signature = fourCharCode("LVDC");

    // The registry hot keys are registered with and the scheduler their
    // actions run on. Set once at start-up (tests: per test) before the first
    // hot key is made; starts a fresh set of ids and installs the handler
    // anew on first use. Hot keys made earlier stay with their own registry.
    static void setEnvironment(HotKeyRegistry& registry, Scheduler& scheduler);

    // Nothing when the combination is refused (typically taken by another
    // application) or presses could never reach the action.
    static std::unique_ptr<GlobalHotKey> create(quint32 keyCode, quint32 modifiers, Action action);

    GlobalHotKey(const GlobalHotKey&) = delete;
    GlobalHotKey& operator=(const GlobalHotKey&) = delete;
    ~GlobalHotKey();

    // The number of this key under the program's signature; never reused.
    quint32 id() const { return m_id; }

    struct Environment;

private:
    GlobalHotKey(std::shared_ptr<Environment> environment, quint32 id, HotKeyRef ref);

    static bool installHandlerIfNeeded(const std::shared_ptr<Environment>& environment);

    std::shared_ptr<Environment> m_environment;
    quint32 m_id;
    HotKeyRef m_ref;
};

} // namespace lumivast
