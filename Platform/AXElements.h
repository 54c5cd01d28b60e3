#pragma once

#include "Platform/PlistValue.h"
#include "Platform/SystemFunctions.h"

#include <QPointF>
#include <QSizeF>

#include <cstdint>
#include <expected>
#include <variant>
#include <vector>

namespace lumivast {

// Accessibility status codes as the system numbers them.
enum class AXError : std::int32_t {
    failure = -25200,
    illegalArgument = -25201,
    invalidElement = -25202,
    cannotComplete = -25204,
    attributeUnsupported = -25205,
    noValue = -25212,
    apiDisabled = -25211,
    actionUnsupported = -25206,
};

// A single element as an attribute's value ("AXFocusedWindow", "AXCloseButton").
struct AXElementValue {
    sysfn::AXElementRef element = nullptr;
    bool operator==(const AXElementValue&) const = default;
};

// An attribute value: a list of elements ("AXChildren"), a point ("AXPosition",
// global, top-left origin), a size ("AXSize"), any plain value, or one element.
using AXAttributeValue = std::variant<std::vector<sysfn::AXElementRef>, QPointF, QSizeF, PlistValue, AXElementValue>;

// The yes-or-no a flag attribute ("AXMinimized", "AXMain") is set to; anything
// but a plain boolean is an illegal argument.
inline std::expected<bool, AXError> axFlag(const AXAttributeValue& value)
{
    const auto* plain = std::get_if<PlistValue>(&value);
    if (!plain || plain->kind() != PlistValue::Kind::Bool)
        return std::unexpected(AXError::illegalArgument);
    return plain->boolean().value_or(false);
}

// Reading and acting on other applications' Accessibility elements.
class AXElements {
public:
    virtual ~AXElements() = default;
    // The element standing for the application with this process id.
    virtual sysfn::AXElementRef applicationElement(std::int32_t pid) = 0;
    virtual std::expected<AXAttributeValue, AXError> copyAttributeValue(sysfn::AXElementRef element, const QString& attribute) = 0;
    virtual std::expected<void, AXError> setAttributeValue(sysfn::AXElementRef element, const QString& attribute,
                                                           const AXAttributeValue& value) = 0;
    // "AXRaise", "AXPress", ...
    virtual std::expected<void, AXError> performAction(sysfn::AXElementRef element, const QString& action) = 0;
    // How long calls on the element (and, for an application element, on its
    // elements) wait for the application before giving up with cannotComplete.
    virtual std::expected<void, AXError> setMessagingTimeout(sysfn::AXElementRef element, double seconds) = 0;
};

} // namespace lumivast
