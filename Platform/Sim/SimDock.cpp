#include "Platform/Sim/SimDock.h"

#include "Platform/QtScheduler.h"
#include "Platform/Sim/SimLog.h"
#include "Platform/Sim/SimMissionControl.h"
#include "Platform/Sim/SimWorld.h"


namespace lumivast {


SimDock::SimDock(SimWorld& world) : m_world(world) {}

SimDock::~SimDock() = default;

Scheduler& SimDock::scheduler()
{
    if (m_scheduler)
        return *m_scheduler;
    if (!m_ownScheduler)
        m_ownScheduler = std::make_unique<QtScheduler>();
    return *m_ownScheduler;
}

void SimDock::receive(EventTap tap, const InputEvent& event)
{
    if (event.type == InputEvent::Type::keyUp)
        return;
    // Escape from the keyboard closes Mission Control.
    if (tap == EventTap::hid && event.type == InputEvent::Type::keyDown && event.keyCode == SimMissionControl::kEscapeKeyCode
        && m_world.missionControl().escape())
        return;
    if (m_world.screenLocked) {
        keepRecent(m_log << QStringLiteral("ignored: screen locked"));
        return;
    }
    const DockEventReader::Context context{m_world.hotKeys, m_world.osMajorVersion, naturalScrolling()};
    if (const auto request = m_reader.read(event, context, m_log))
        act(*request);
}

void SimDock::act(const DockRequest& request)
{
    if (request.kind == DockRequest::Kind::step) {
        step(displayUnderPointer(), request.value, request.cause, request.gesture);
        return;
    }
    std::uint64_t managed = 0;
    const int display = displayShowingDesktop(request.value, &managed);
    if (display < 0)
        keepRecent(m_log << QStringLiteral("ignored %1: no Desktop %2").arg(request.cause).arg(request.value));
    else
        this->request(display, managed, request.cause, request.gesture);
}

bool SimDock::naturalScrolling() const
{
    const auto it = m_world.globalPreferences.find(QStringLiteral("com.apple.swipescrolldirection"));
    if (it == m_world.globalPreferences.end())
        return true;
    if (auto b = it->second.boolean())
        return *b;
    if (auto i = it->second.integer())
        return *i != 0;
    return true;
}

int SimDock::displayUnderPointer() const
{
    const auto& displays = m_world.displays;
    const SimWorld::Display* main = m_world.mainDisplay();
    int mainIndex = -1;
    for (int i = 0; i < int(displays.size()); ++i) {
        if (&displays[std::size_t(i)] == main)
            mainIndex = i;
    }
    if (!m_world.displaysHaveSeparateSpaces)
        return mainIndex;
    const QPointF p = m_world.pointer;
    for (int i = 0; i < int(displays.size()); ++i) {
        const QRectF& f = displays[std::size_t(i)].frame;
        if (p.x() >= f.x() && p.x() < f.x() + f.width() && p.y() >= f.y() && p.y() < f.y() + f.height())
            return i;
    }
    return mainIndex;
}

int SimDock::displayShowingDesktop(int number, std::uint64_t* managedID) const
{
    int counted = 0;
    for (int i = 0; i < int(m_world.displays.size()); ++i) {
        const SimWorld::Display& display = m_world.displays[std::size_t(i)];
        if (!m_world.displaysHaveSeparateSpaces && &display != m_world.mainDisplay())
            continue;
        for (const SimWorld::SimSpace& space : display.spaces) {
            if (!space.fullscreen && ++counted == number) {
                *managedID = space.managedID;
                return i;
            }
        }
    }
    return -1;
}

void SimDock::step(int displayIndex, int delta, const QString& cause, bool gesture)
{
    if (displayIndex < 0) {
        keepRecent(m_log << QStringLiteral("ignored %1: no display").arg(cause));
        return;
    }
    const SimWorld::Display& display = m_world.displays[std::size_t(displayIndex)];
    // Steps taken before the last one landed count from where that one is going.
    const auto pending = m_landings.find(display.identifier);
    const std::uint64_t from = pending != m_landings.end() ? pending->second.target : display.current;
    int index = -1;
    for (int i = 0; i < int(display.spaces.size()); ++i) {
        if (display.spaces[std::size_t(i)].managedID == from)
            index = i;
    }
    const int next = index + delta;
    if (index < 0 || next < 0 || next >= int(display.spaces.size())) {
        keepRecent(m_log << QStringLiteral("ignored %1: no Space %2 of %3").arg(cause, delta < 0 ? "left" : "right", display.identifier));
        return;
    }
    request(displayIndex, display.spaces[std::size_t(next)].managedID, cause, gesture);
}

void SimDock::request(int displayIndex, std::uint64_t target, const QString& cause, bool gesture)
{
    const QString identifier = m_world.displays[std::size_t(displayIndex)].identifier;
    keepRecent(m_log << QStringLiteral("request %1 -> %2 by %3").arg(identifier).arg(target).arg(cause));
    Landing& landing = m_landings[identifier];
    landing.target = target;
    landing.gesture = landing.gesture || gesture;
    landing.work = scheduler().after(delay, [this, identifier] { land(identifier); });
}

void SimDock::land(const QString& identifier)
{
    const auto it = m_landings.find(identifier);
    if (it == m_landings.end())
        return;
    const std::uint64_t target = it->second.target;
    const bool gesture = it->second.gesture;
    WorkItem finished = std::move(it->second.work); // keeps the running work alive until it returns
    m_landings.erase(it);

    std::uint64_t origin = 0;
    for (const SimWorld::Display& display : m_world.displays) {
        if (display.identifier == identifier)
            origin = display.current;
    }
    if (!m_world.switchSpace(identifier, target)) {
        keepRecent(m_log << QStringLiteral("ignored landing on %1: Space %2 is gone").arg(identifier).arg(target));
        return;
    }
    keepRecent(m_log << QStringLiteral("landed %1 %2").arg(identifier).arg(target));
    if (gesture && bounceNext > 0 && origin != target) {
        --bounceNext;
        m_bounces.push_back(scheduler().after(bounceAfter, [this, identifier, origin] {
            if (m_world.switchSpace(identifier, origin))
                keepRecent(m_log << QStringLiteral("bounced %1 back to %2").arg(identifier).arg(origin));
        }));
    }
}

} // namespace lumivast
