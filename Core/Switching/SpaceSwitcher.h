#pragma once

#include "Core/Spaces/SpaceModel.h"
#include "Platform/Scheduler.h"

#include <QString>

#include <map>
#include <optional>
#include <set>

namespace lumivast {

// The one way the program changes the Space a display shows. Instant
// switches post synthetic Dock swipe gestures (no animation) and are watched
// for bouncing back; classic switches press the system's own Mission Control
// shortcuts, enabling a disabled one for a moment. After the second bounce
// every switch is classic for the life of the switcher. A switch sent before
// the previous one has shown in a snapshot counts its steps from that one's
// target. Main thread only.
class SpaceSwitcher final {
public:
    // How long a shortcut enabled for a press stays enabled.
    static constexpr Duration kHotKeyRestoreDelay = 1500ms;
    // A gesture's record is only looked at this long after it was posted.
    static constexpr Duration kBounceWindow = 350ms;
    static constexpr int kBouncesBeforeClassic = 2;
    // How long a switch counts as in flight when no snapshot shows its target.
    static constexpr Duration kInFlightTimeout = 1000ms;

    // Symbolic hot keys: one Space left / right, and Desktop N = 117 + N (N up to 16).
    static constexpr int kMoveLeftHotKey = 79;
    static constexpr int kMoveRightHotKey = 81;
    static constexpr int kDesktopHotKeyBase = 117;

    // One instant switch in flight on a display.
    struct GestureRecord {
        QString displayID;
        QString originID;
        QString targetID;
        Duration madeAt{0}; // scheduler time, just after the events were posted
        bool armed = false; // the target has been seen active
    };

    explicit SpaceSwitcher(Scheduler& scheduler);
    // Puts back at once the shortcuts it enabled and has not yet disabled.
    ~SpaceSwitcher();
    SpaceSwitcher(const SpaceSwitcher&) = delete;
    SpaceSwitcher& operator=(const SpaceSwitcher&) = delete;

    // Makes the target's display show `target`. True when it was already
    // active or the switch was sent (not that it has completed); false when
    // nothing was sent or a classic key sequence stopped part-way.
    bool switchTo(const Space& target, const SpaceSnapshot& snapshot);

    // Bounce detection; give it every new snapshot.
    void observe(const SpaceSnapshot& snapshot);

    // The Space the display is showing or about to show: the target of a
    // switch still in flight, else its active Space. Steps are counted from it,
    // so a second switch sent before the first has landed does not overshoot.
    const Space* destination(const DisplaySpaces& display) const;

    // The display whose screen holds the pointer; nothing with fewer than two displays.
    std::optional<DisplaySpaces> displayUnderMouse(const SpaceSnapshot& snapshot) const;

    int bounceCount() const { return m_bounceCount; }
    bool prefersClassicAfterBounces() const { return m_prefersClassicAfterBounces; }
    const std::map<QString, GestureRecord>& gestureRecords() const { return m_gestureRecords; }
    const std::set<int>& forceEnabledHotKeys() const { return m_forceEnabledHotKeys; }

private:
    bool instantSwitch(const DisplaySpaces& display, const Space& current, const Space& target, int steps);
    bool classicSwitch(const DisplaySpaces& display, const Space& target, int steps);
    bool postSymbolicHotKey(int number);
    void scheduleHotKeyRestore();
    void restoreHotKeys();

    Scheduler& m_scheduler;
    std::map<QString, GestureRecord> m_gestureRecords; // by display id
    struct InFlight {
        QString targetID;
        Duration sentAt{0};
    };
    std::map<QString, InFlight> m_inFlight; // by display id
    int m_bounceCount = 0;
    bool m_prefersClassicAfterBounces = false;
    std::set<int> m_forceEnabledHotKeys;
    WorkItem m_restoreWork; // dropping it (with the switcher) cancels the restore
};

} // namespace lumivast
