#pragma once

#include <QPointF>

#include <cstdint>
#include <functional>
#include <optional>

namespace lumivast {

enum class MouseEventType : std::uint32_t {
    leftMouseDown = 1,
    leftMouseUp = 2,
    rightMouseDown = 3,
    rightMouseUp = 4,
    mouseMoved = 5,
    leftMouseDragged = 6,
};

// Event masks as the system builds them: 1 << type.
constexpr std::uint64_t maskFor(MouseEventType type) { return std::uint64_t(1) << std::uint32_t(type); }

struct MouseEvent {
    MouseEventType type = MouseEventType::mouseMoved;
    QPointF location; // global, bottom-left origin
};

using MonitorToken = std::uint64_t;

// Mouse event monitors and the state of the pointer's buttons. A global
// monitor sees events sent to other applications, a local one the events sent
// to this one (and may swallow them by returning nothing). Handlers run on the
// main thread.
class Mouse {
public:
    using GlobalHandler = std::function<void(const MouseEvent&)>;
    using LocalHandler = std::function<std::optional<MouseEvent>(const MouseEvent&)>;

    virtual ~Mouse() = default;
    // No token when the system refuses the monitor.
    virtual std::optional<MonitorToken> addGlobalMonitor(std::uint64_t mask, GlobalHandler handler) = 0;
    virtual std::optional<MonitorToken> addLocalMonitor(std::uint64_t mask, LocalHandler handler) = 0;
    // Unknown tokens are ignored.
    virtual void removeMonitor(MonitorToken token) = 0;
    // Bit n set while button n is down (0 left, 1 right, 2 middle ...).
    virtual std::uint32_t pressedMouseButtons() = 0;
    // The pointer's position as a new event reports it: global, top-left
    // origin; none when no event can be created.
    virtual std::optional<QPointF> eventLocation() = 0;
};

} // namespace lumivast
