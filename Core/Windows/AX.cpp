#include "Core/Windows/AX.h"

#include "CGSBridge/CGSBridge.h"
#include "Platform/Platform.h"

namespace lumivast::AX {

std::vector<sysfn::AXElementRef> windows(std::int32_t pid)
{
    AXElements& ax = Platform::current().accessibilityElements();
    const sysfn::AXElementRef app = ax.applicationElement(pid);
    (void)ax.setMessagingTimeout(app, kListTimeout);
    const auto value = ax.copyAttributeValue(app, QStringLiteral("AXWindows"));
    if (!value)
        return {};
    const auto* list = std::get_if<std::vector<sysfn::AXElementRef>>(&*value);
    return list ? *list : std::vector<sysfn::AXElementRef>();
}

std::optional<sysfn::AXElementRef> element(std::uint32_t windowID, std::int32_t pid)
{
    for (sysfn::AXElementRef candidate : windows(pid)) {
        std::uint32_t id = 0;
        if (CGSBridgeAXWindowID(candidate, &id) && id == windowID)
            return candidate;
    }
    return std::nullopt;
}

void setFrame(sysfn::AXElementRef element, const QRectF& frame)
{
    AXElements& ax = Platform::current().accessibilityElements();
    (void)ax.setAttributeValue(element, QStringLiteral("AXPosition"), frame.topLeft());
    (void)ax.setAttributeValue(element, QStringLiteral("AXSize"), frame.size());
}

std::optional<std::uint32_t> focusedWindowID(std::int32_t pid)
{
    AXElements& ax = Platform::current().accessibilityElements();
    const sysfn::AXElementRef app = ax.applicationElement(pid);
    (void)ax.setMessagingTimeout(app, kFocusTimeout);
    const auto value = ax.copyAttributeValue(app, QStringLiteral("AXFocusedWindow"));
    const auto* focused = value ? std::get_if<AXElementValue>(&*value) : nullptr;
    if (!focused)
        return std::nullopt;
    std::uint32_t id = 0;
    if (!CGSBridgeAXWindowID(focused->element, &id))
        return std::nullopt;
    return id;
}

} // namespace lumivast::AX
