#pragma once

#include "Platform/Mouse.h"
#include "Platform/X11/Session.h"

#include <QPointF>

#include <map>
#include <memory>
#include <optional>

namespace lumivast::x11 {

// The pointer as the server's pointer query reports it.
struct PointerState {
    int screen = 0;
    QPointF topLeft;           // global (the X screens side by side), top-left origin
    std::uint32_t buttons = 0; // bit 0 left, 1 right, 2 middle
};
std::optional<PointerState> queryPointer(XConnection& x);

// Selects (or drops) XInput 2 raw motion and button events on every root of
// `x`. Raw events reach the root whatever window has the pointer or a grab,
// and taking them grabs nothing. False when the server has no XInput 2.
bool selectRawPointer(XConnection& x, bool on);

// Mouse monitors on the real desktop. Global monitors hear the raw pointer
// events that the event thread reads, on the main thread through the
// scheduler's post; a run of motion events the main thread has not caught up
// with arrives as one. Local monitors are an event filter on the application:
// they see the mouse events of the program's own windows, and one that
// returns nothing swallows the event. An event's location is the pointer's
// position when it is delivered. Main thread.
class X11Mouse final : public Mouse {
public:
    explicit X11Mouse(std::shared_ptr<Session> session);
    ~X11Mouse() override;
    X11Mouse(const X11Mouse&) = delete;
    X11Mouse& operator=(const X11Mouse&) = delete;

    std::optional<MonitorToken> addGlobalMonitor(std::uint64_t mask, GlobalHandler handler) override;
    std::optional<MonitorToken> addLocalMonitor(std::uint64_t mask, LocalHandler handler) override;
    void removeMonitor(MonitorToken token) override;
    std::uint32_t pressedMouseButtons() override;
    std::optional<QPointF> eventLocation() override;

    struct State;

private:
    std::shared_ptr<Session> m_session;
    std::shared_ptr<State> m_state;
};

} // namespace lumivast::x11
