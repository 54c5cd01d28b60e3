#pragma once

// Shared by the bridge's two source files.

#include "Platform/Platform.h"
#include "Platform/PlistValue.h"

#include <atomic>
#include <functional>
#include <mutex>

namespace lumivast::bridge {

// Serialises every first look-up (the symbol source is not thread-safe).
std::recursive_mutex& resolveMutex();
SymbolSource& symbols();
// Registers a reset of process-wide state, run when another platform is installed.
void onPlatformReset(std::function<void()> reset);

// A once-only value: the first caller computes it under the resolve lock,
// every later caller (and any that waited) gets the same value.
template <class T>
class Once {
public:
    template <class Compute>
    T get(Compute&& compute)
    {
        if (m_done.load(std::memory_order_acquire))
            return m_value;
        std::lock_guard lock(resolveMutex());
        if (!m_done.load(std::memory_order_relaxed)) {
            m_value = compute();
            m_done.store(true, std::memory_order_release);
        }
        return m_value;
    }
    void reset()
    {
        std::lock_guard lock(resolveMutex());
        m_done.store(false, std::memory_order_release);
        m_value = T{};
    }

private:
    std::atomic<bool> m_done{false};
    T m_value{};
};

// A window list for the window server: one signed 32-bit number.
inline PlistValue windowList(std::uint32_t windowID)
{
    return PlistValue(PlistValue::Array{PlistValue(std::int64_t(static_cast<std::int32_t>(windowID)))});
}

} // namespace lumivast::bridge
