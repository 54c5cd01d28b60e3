#include "Platform/Sim/SimHotKeys.h"

#include <algorithm>

namespace lumivast {

bool SimHotKeys::installHandler(Handler handler)
{
    std::lock_guard lock(m_mutex);
    ++m_installAttempts;
    if (m_installFails || !handler)
        return false;
    m_handlers.push_back(std::move(handler));
    return true;
}

std::expected<HotKeyRef, HotKeyError> SimHotKeys::registerHotKey(quint32 keyCode, quint32 modifiers, HotKeyID id)
{
    std::lock_guard lock(m_mutex);
    // Virtual key codes are 7 bits wide.
    const bool invalid = keyCode > 0x7F;
    const bool taken = m_taken.contains({keyCode, modifiers})
        || std::ranges::any_of(m_registrations, [&](const Registration& r) {
               return r.keyCode == keyCode && r.modifiers == modifiers;
           });
    if (invalid || taken) {
        m_calls.push_back({Call::Kind::refused, keyCode, modifiers, id});
        return std::unexpected(invalid ? HotKeyError::invalid : HotKeyError::alreadyTaken);
    }
    const HotKeyRef ref = m_nextRef++;
    m_registrations.push_back({ref, keyCode, modifiers, id});
    m_calls.push_back({Call::Kind::registered, keyCode, modifiers, id});
    return ref;
}

bool SimHotKeys::unregisterHotKey(HotKeyRef ref)
{
    std::lock_guard lock(m_mutex);
    const auto it = std::ranges::find(m_registrations, ref, &Registration::ref);
    if (it == m_registrations.end())
        return false;
    m_calls.push_back({Call::Kind::unregistered, it->keyCode, it->modifiers, it->id});
    m_registrations.erase(it);
    return true;
}

void SimHotKeys::setTaken(quint32 keyCode, quint32 modifiers, bool taken)
{
    std::lock_guard lock(m_mutex);
    if (taken)
        m_taken.insert({keyCode, modifiers});
    else
        m_taken.erase({keyCode, modifiers});
}

void SimHotKeys::setHandlerInstallFails(bool fails)
{
    std::lock_guard lock(m_mutex);
    m_installFails = fails;
}

SimHotKeys::Delivery SimHotKeys::press(quint32 keyCode, quint32 modifiers)
{
    std::optional<HotKeyID> id;
    {
        std::lock_guard lock(m_mutex);
        const auto it = std::ranges::find_if(m_registrations, [&](const Registration& r) {
            return r.keyCode == keyCode && r.modifiers == modifiers;
        });
        if (it == m_registrations.end())
            return Delivery::none;
        id = it->id;
    }
    return deliver(id);
}

SimHotKeys::Delivery SimHotKeys::deliver(std::optional<HotKeyID> event)
{
    std::vector<Handler> handlers;
    {
        std::lock_guard lock(m_mutex);
        handlers = m_handlers;
    }
    // Handlers run without the lock: they may register or unregister keys.
    for (auto it = handlers.rbegin(); it != handlers.rend(); ++it) {
        if ((*it)(event) == HotKeyEventResult::handled)
            return Delivery::handled;
    }
    return Delivery::notHandled;
}

std::vector<SimHotKeys::Registration> SimHotKeys::registrations() const
{
    std::lock_guard lock(m_mutex);
    return m_registrations;
}

bool SimHotKeys::isRegistered(quint32 keyCode, quint32 modifiers) const
{
    std::lock_guard lock(m_mutex);
    return std::ranges::any_of(m_registrations, [&](const Registration& r) {
        return r.keyCode == keyCode && r.modifiers == modifiers;
    });
}

int SimHotKeys::handlerCount() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_handlers.size());
}

int SimHotKeys::handlerInstallAttempts() const
{
    std::lock_guard lock(m_mutex);
    return m_installAttempts;
}

std::vector<SimHotKeys::Call> SimHotKeys::calls() const
{
    std::lock_guard lock(m_mutex);
    return m_calls;
}

void SimHotKeys::clearCalls()
{
    std::lock_guard lock(m_mutex);
    m_calls.clear();
}

} // namespace lumivast
