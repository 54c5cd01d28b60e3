#pragma once

#include <cstdint>
#include <map>

namespace lumivast {

// One of the system's symbolic hot keys: the key, its modifier flags, and whether it is on.
struct SymbolicHotKey {
    std::uint16_t keyCode = 0;
    std::uint32_t modifiers = 0;
    bool enabled = false;
    bool operator==(const SymbolicHotKey&) const = default;
};

// The system's standard Mission Control shortcuts: Control-Left/Right move one
// Space (79, 81), Control-1 ... Control-0 switch to Desktop 1 ... 10 (118 to
// 127; 1 to 4 enabled).
inline std::map<std::int32_t, SymbolicHotKey> standardSymbolicHotKeys()
{
    constexpr std::uint32_t kControl = 0x40000;
    constexpr std::uint32_t kControlFunction = 0x840000;
    std::map<std::int32_t, SymbolicHotKey> keys;
    keys[79] = {123, kControlFunction, true};
    keys[81] = {124, kControlFunction, true};
    const std::uint16_t digits[] = {18, 19, 20, 21, 23, 22, 26, 28, 25, 29};
    for (int n = 1; n <= 10; ++n)
        keys[117 + n] = {digits[n - 1], kControl, n <= 4};
    return keys;
}

} // namespace lumivast
