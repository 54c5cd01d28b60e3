#pragma once

#include "Platform/HotKeys.h"

#include <mutex>
#include <set>
#include <utility>
#include <vector>

namespace lumivast {

// The simulated hot-key registry. Other applications can hold combinations
// (registering one of those is refused), the user's key presses are made with
// press(), and raw events (a foreign signature, or no readable id) with
// deliver(). Every call of the registry is recorded in calls().
class SimHotKeys final : public HotKeyRegistry {
public:
    struct Registration {
        HotKeyRef ref = 0;
        quint32 keyCode = 0;
        quint32 modifiers = 0;
        HotKeyID id;
    };

    struct Call {
        enum class Kind { registered, refused, unregistered };
        Kind kind;
        quint32 keyCode;
        quint32 modifiers;
        HotKeyID id;
        friend bool operator==(const Call&, const Call&) = default;
    };

    // What became of a press or event.
    enum class Delivery {
        none,       // no registration of this application holds the combination
        handled,    // a handler took the event
        notHandled, // every handler passed, or there is no handler
    };

    // HotKeyRegistry
    bool installHandler(Handler handler) override;
    std::expected<HotKeyRef, HotKeyError> registerHotKey(quint32 keyCode, quint32 modifiers, HotKeyID id) override;
    bool unregisterHotKey(HotKeyRef ref) override;

    // Another application holds (or releases) the combination.
    void setTaken(quint32 keyCode, quint32 modifiers, bool taken = true);
    // Later handler installs are refused while set.
    void setHandlerInstallFails(bool fails);

    // The user presses the combination. May be called from any thread; the
    // handlers run on the calling thread, as the system's would.
    Delivery press(quint32 keyCode, quint32 modifiers);
    // Hands one hot-key event straight to the handlers.
    Delivery deliver(std::optional<HotKeyID> event);

    std::vector<Registration> registrations() const; // in registration order
    bool isRegistered(quint32 keyCode, quint32 modifiers) const;
    int handlerCount() const;
    int handlerInstallAttempts() const;
    std::vector<Call> calls() const;
    void clearCalls();

private:
    using Combination = std::pair<quint32, quint32>;

    mutable std::mutex m_mutex;
    std::vector<Handler> m_handlers;
    std::vector<Registration> m_registrations;
    std::set<Combination> m_taken;
    std::vector<Call> m_calls;
    HotKeyRef m_nextRef = 1;
    int m_installAttempts = 0;
    bool m_installFails = false;
};

} // namespace lumivast
