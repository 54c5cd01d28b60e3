#pragma once

#include "Platform/HotKeys.h"
#include "Platform/Scheduler.h"

#include <functional>
#include <memory>

namespace lumivast {

class GlobalHotKeys;

// One system-wide keyboard shortcut, made by GlobalHotKeys. The object's
// lifetime is the registration's: destroying it unregisters the key. Presses
// reach one shared handler, which runs the key's action through the
// scheduler's main queue. Made, pressed and destroyed on the main thread only.
class GlobalHotKey final {
public:
    using Action = std::function<void()>;

    // Tells our registrations from other hot-key events reaching the handler.
    static constexpr quint32 signature = fourCharCode("LVDC");

    GlobalHotKey(const GlobalHotKey&) = delete;
    GlobalHotKey& operator=(const GlobalHotKey&) = delete;
    ~GlobalHotKey();

    // The number of this key under the program's signature; never reused.
    quint32 id() const { return m_id; }

    struct Environment;

private:
    friend class GlobalHotKeys;
    GlobalHotKey(std::shared_ptr<Environment> environment, quint32 id, HotKeyRef ref);

    static bool installHandlerIfNeeded(const std::shared_ptr<Environment>& environment);

    std::shared_ptr<Environment> m_environment;
    quint32 m_id;
    HotKeyRef m_ref;
};

// The registry hot keys are registered with and the scheduler their actions
// run on: one for the program (tests: one per test), handed to what makes
// keys. Its ids start afresh and its handler is installed on first use; keys
// it made stay with their registry even when it goes first.
class GlobalHotKeys final {
public:
    GlobalHotKeys(HotKeyRegistry& registry, Scheduler& scheduler);
    GlobalHotKeys(const GlobalHotKeys&) = delete;
    GlobalHotKeys& operator=(const GlobalHotKeys&) = delete;

    // Nothing when the combination is refused (typically taken by another
    // application) or presses could never reach the action.
    std::unique_ptr<GlobalHotKey> create(quint32 keyCode, quint32 modifiers, GlobalHotKey::Action action);

private:
    std::shared_ptr<GlobalHotKey::Environment> m_environment;
};

} // namespace lumivast
