#pragma once

#include "Platform/AXElements.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

namespace lumivast {

class SimWorld;

// Other applications' Accessibility trees in the simulated world. An
// application element answers "AXWindows" and "AXChildren" (its windows in
// the world's front-to-back order, on every Space, minimised ones included),
// "AXFocusedWindow" and "AXTitle". A window element answers "AXTitle",
// "AXPosition", "AXSize", "AXMain", "AXFocused", "AXMinimized", "AXRole",
// "AXCloseButton" and "AXMinimizeButton"; position, size, main, focused and
// minimised can be set, "AXRaise" performed; the buttons take "AXPress".
// An unresponsive application times out (cannotComplete) on every call, a
// window that refuses a size keeps it. What was done is logged, one line per
// act ("raise 1002", "position 1002", "size 1002 refused", "minimize 1002",
// "unminimize 1002", "close 1002"). Main thread only.
class SimAccessibility {
public:
    explicit SimAccessibility(SimWorld& world) : m_world(world) {}

    std::expected<AXAttributeValue, AXError> copyApplicationAttribute(std::int32_t pid, const QString& attribute);
    // Window and button elements; invalidElement for anything else.
    std::expected<AXAttributeValue, AXError> copyAttribute(sysfn::AXElementRef element, const QString& attribute);
    std::expected<void, AXError> setAttribute(sysfn::AXElementRef element, const QString& attribute, const AXAttributeValue& value);
    std::expected<void, AXError> perform(sysfn::AXElementRef element, const QString& action);

    void noteTimeout(sysfn::AXElementRef element, double seconds) { m_timeouts[element] = seconds; }
    // The messaging timeout last set on the element.
    std::optional<double> messagingTimeout(sysfn::AXElementRef element) const;

    // The window the application's focus is on: its chosen one while that is
    // shown, else its front window on a current Space that is not minimised.
    std::optional<std::uint32_t> focusedWindow(std::int32_t pid);
    // The window comes to the front of the list and gets its application's focus.
    void raise(std::uint32_t windowID);

    const QStringList& log() const { return m_log; }
    void clearLog() { m_log.clear(); }

private:
    enum class Button { close, minimize };
    struct ButtonRef {
        std::uint32_t window = 0;
        Button kind = Button::close;
    };
    sysfn::AXElementRef button(std::uint32_t windowID, Button kind);
    std::optional<ButtonRef> buttonFor(sysfn::AXElementRef element) const;
    // cannotComplete when the window's application does not answer.
    std::optional<AXError> unanswered(std::uint32_t windowID);
    bool isShown(std::uint32_t windowID);

    SimWorld& m_world;
    std::map<std::pair<std::uint32_t, int>, std::unique_ptr<ButtonRef>> m_buttons;
    std::map<sysfn::AXElementRef, double> m_timeouts;
    QStringList m_log;
};

} // namespace lumivast
