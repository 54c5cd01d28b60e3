#pragma once

#include "Core/Spaces/SpaceModel.h"
#include "Platform/Scheduler.h"

#include <QString>

#include <cstdint>
#include <map>
#include <vector>

namespace lumivast {

class SpaceContents;

// Remembers, per Space, the window of another application that last had the
// focus there, and raises it again when the user comes back to that Space
// (setting "restoreFocus"). Entries are only added or replaced; nothing is
// persisted. Main thread only.
class FocusMemory final {
public:
    struct Entry {
        std::uint32_t id = 0;
        std::int32_t pid = 0;
        bool operator==(const Entry&) const = default;
    };

    // How long after an application's activation its focus is recorded.
    static constexpr Duration kRecordDelay = 150ms;
    static constexpr Duration kRestoreDelay = 200ms;

    explicit FocusMemory(Scheduler& scheduler) : m_scheduler(scheduler) {}

    // Records the frontmost application's focused window for `space`.
    void leaving(const Space& space);
    // An application came to the front on `current`: its focus there is recorded once it has settled.
    void applicationActivated(const Space& current);
    // 0.2 s from now raises the window remembered for `space`, unless the
    // user already works in a window of that Space by then.
    void entered(const Space& space, SpaceContents& contents);

    // By Space id.
    const std::map<QString, Entry>& lastWindow() const { return m_lastWindow; }

private:
    Scheduler& m_scheduler;
    std::map<QString, Entry> m_lastWindow;
    std::vector<WorkItem> m_pending; // records to come, cancelled with this object
};

} // namespace lumivast
