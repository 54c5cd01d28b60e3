#pragma once

#include "Platform/Mouse.h"

#include <QPointF>

#include <map>

namespace lumivast {

class SimWorld;

// The pointer and its buttons. Moving or pressing delivers the matching
// event to the monitors: global ones when the event goes to another
// application (the usual case for a menu-bar app), local ones when it goes to
// this one. Positions given here are global with the origin at the top left,
// as in world files; events carry them bottom-left, as the system does.
class SimMouse final : public Mouse {
public:
    enum class Target { otherApplication, thisApplication };

    explicit SimMouse(SimWorld& world) : m_world(world) {}

    void moveTo(QPointF topLeft, Target target = Target::otherApplication);
    // Button 0 is the left one.
    void press(int button = 0, Target target = Target::otherApplication);
    void release(int button = 0, Target target = Target::otherApplication);
    void click(QPointF topLeft, Target target = Target::otherApplication);

    int globalMonitorCount() const;
    int localMonitorCount() const;

    // ---- fault knobs ----
    bool refuseMonitors = false;
    bool eventCreationFails = false;

    // ---- Mouse ----
    std::optional<MonitorToken> addGlobalMonitor(std::uint64_t mask, GlobalHandler handler) override;
    std::optional<MonitorToken> addLocalMonitor(std::uint64_t mask, LocalHandler handler) override;
    void removeMonitor(MonitorToken token) override;
    std::uint32_t pressedMouseButtons() override { return m_buttons; }
    std::optional<QPointF> eventLocation() override;

private:
    struct Monitor {
        bool global = true;
        std::uint64_t mask = 0;
        GlobalHandler globalHandler;
        LocalHandler localHandler;
    };
    void deliver(MouseEventType type, Target target);

    SimWorld& m_world;
    std::map<MonitorToken, Monitor> m_monitors;
    MonitorToken m_nextToken = 1;
    std::uint32_t m_buttons = 0;
};

} // namespace lumivast
