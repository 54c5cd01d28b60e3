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
};

// An attribute value: a list of elements ("AXChildren"), a point ("AXPosition",
// global, top-left origin), a size ("AXSize") or any plain value.
using AXAttributeValue = std::variant<std::vector<sysfn::AXElementRef>, QPointF, QSizeF, PlistValue>;

// Reading other applications' Accessibility elements.
class AXElements {
public:
    virtual ~AXElements() = default;
    // The element standing for the application with this process id.
    virtual sysfn::AXElementRef applicationElement(std::int32_t pid) = 0;
    virtual std::expected<AXAttributeValue, AXError> copyAttributeValue(sysfn::AXElementRef element, const QString& attribute) = 0;
};

} // namespace lumivast
