#pragma once

#include "Platform/DockEvents.h"
#include "Platform/Events.h"
#include "Platform/Scheduler.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace lumivast {

class SimWorld;

// The simulated Dock: it changes the current Space when a posted key press
// matches an enabled symbolic hot key (Desktop N, one Space left or right)
// and when a complete Dock swipe gesture arrives. Left and right act on the
// display under the pointer and stop at the ends of the row. Every change
// lands `delay` later and is then announced as the system announces Space
// changes. Knobs bounce gesture switches back and stand for a locked screen
// (the world's `screenLocked`). Main thread only.
class SimDock {
public:
    explicit SimDock(SimWorld& world);
    ~SimDock();
    SimDock(const SimDock&) = delete;
    SimDock& operator=(const SimDock&) = delete;

    // The clock that delays land on; without one the Dock makes a Qt event-loop scheduler on first use.
    void setScheduler(Scheduler& scheduler) { m_scheduler = &scheduler; }
    Scheduler& scheduler();

    // ---- knobs ----
    Duration delay = 50ms;        // from a complete request to the Space change
    int bounceNext = 0;           // the next n gesture switches jump back
    Duration bounceAfter = 100ms; // how long after landing a bounce happens

    // Every posted event the Dock sees, and what became of it.
    void receive(EventTap tap, const InputEvent& event);

    // What the Dock did, one line per decision ("request ...", "landed ...",
    // "bounced ...", "ignored ...").
    const QStringList& log() const { return m_log; }
    void clearLog() { m_log.clear(); }

private:
    struct Landing {
        std::uint64_t target = 0;
        bool gesture = false;
        WorkItem work;
    };

    void act(const DockRequest& request);
    bool naturalScrolling() const;
    // Index into the world's displays; -1 when there is none.
    int displayUnderPointer() const;
    int displayShowingDesktop(int number, std::uint64_t* managedID) const;
    void step(int display, int delta, const QString& cause, bool gesture);
    void request(int display, std::uint64_t target, const QString& cause, bool gesture);
    void land(const QString& display);

    SimWorld& m_world;
    Scheduler* m_scheduler = nullptr;
    std::unique_ptr<Scheduler> m_ownScheduler;
    std::map<QString, Landing> m_landings; // by display identifier
    DockEventReader m_reader;
    std::vector<WorkItem> m_bounces;
    QStringList m_log;
};

} // namespace lumivast
