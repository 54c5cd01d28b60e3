#pragma once

#include <functional>
#include <memory>

namespace lumivast {

class Platform;

// What Platform::current() makes when asked before anything was installed.
// The interface names no implementation: whoever owns the process (a test or
// benchmark main) sets one. Without it, asking first is a fault.
void setFallbackPlatform(std::function<std::shared_ptr<Platform>()> make);

} // namespace lumivast
