#pragma once

#include "Platform/Events.h"

#include <QPointF>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace lumivast {

class SimWorld;

// The simulated event poster. Posted events are recorded; keyboard and
// gesture events are handed to the world's Dock, mouse events move the
// pointer and press the left button (holding a window by its title bar, see
// SimWorld::heldWindow); pointer warps move the world's pointer. Knobs make event
// creation fail, change the serialised form's leading word and pin the host
// clock. Main thread only.
class SimEvents final : public EventPoster {
public:
    struct Posted {
        EventTap tap;
        InputEvent event;
    };

    explicit SimEvents(SimWorld& world);

    // ---- knobs ----
    bool refuseEvents = false;         // every createEvent / createKeyboardEvent fails
    quint32 dataVersion = 2;           // leading word of the serialised form
    bool zeroTimestamps = false;       // new events carry timestamp 0
    std::optional<quint64> fixedHostTime; // hostTime() answers this instead of the clock
    quint32 mouseButtons = 0;          // what pressedMouseButtons() reports

    // ---- EventPoster ----
    std::optional<InputEvent> createEvent() override;
    void post(EventTap tap, const InputEvent& event) override;
    void postToProcess(std::int32_t pid, const InputEvent& event) override;
    std::optional<QByteArray> eventData(const InputEvent& event) override;
    std::optional<InputEvent> eventFromData(const QByteArray& data) override;
    bool warpPointer(const QPointF& point) override;
    quint32 pressedMouseButtons() override { return mouseButtons; }
    quint64 hostTime() override;

    // ---- for assertions ----
    const std::vector<Posted>& posted() const { return m_posted; }
    // Events delivered straight to a process, as (pid, event).
    const std::vector<std::pair<std::int32_t, InputEvent>>& postedToProcesses() const { return m_postedToProcesses; }
    const std::vector<QPointF>& warps() const { return m_warps; } // global, origin top left
    void clearLog();

private:
    void mouse(const InputEvent& event);

    SimWorld& m_world;
    std::vector<Posted> m_posted;
    std::vector<std::pair<std::int32_t, InputEvent>> m_postedToProcesses;
    std::vector<QPointF> m_warps;
};

} // namespace lumivast
