#pragma once

// Services this backend does not offer (yet): each answers as the interface
// documents for a system that refuses or lacks it.

#include "Platform/Platform.h"

namespace lumivast::x11 {

// Scripting other applications has no X11 counterpart: saved Spaces keep no browser tabs.
class NoScripts final : public ScriptRunner {
public:
    std::optional<ScriptValue> run(const QString&) override { return std::nullopt; }
};

class NoAccessibility final : public AXElements {
public:
    sysfn::AXElementRef applicationElement(std::int32_t) override { return nullptr; }
    std::expected<AXAttributeValue, AXError> copyAttributeValue(sysfn::AXElementRef, const QString&) override
    {
        return std::unexpected(AXError::apiDisabled);
    }
    std::expected<void, AXError> setAttributeValue(sysfn::AXElementRef, const QString&, const AXAttributeValue&) override
    {
        return std::unexpected(AXError::apiDisabled);
    }
    std::expected<void, AXError> performAction(sysfn::AXElementRef, const QString&) override
    {
        return std::unexpected(AXError::apiDisabled);
    }
    std::expected<void, AXError> setMessagingTimeout(sysfn::AXElementRef, double) override
    {
        return std::unexpected(AXError::apiDisabled);
    }
};

} // namespace lumivast::x11
