#pragma once

// Services this backend does not offer: each answers as the interface
// documents for a system that refuses or lacks it.

#include "Platform/Platform.h"

namespace lumivast::x11 {

// Scripting other applications has no X11 counterpart: saved Spaces keep no browser tabs.
class NoScripts final : public ScriptRunner {
public:
    std::optional<ScriptValue> run(const QString&) override { return std::nullopt; }
};

} // namespace lumivast::x11
