#pragma once

#include "Core/Switching/GlobalHotKey.h"
#include "Platform/Lifetime.h"
#include "Platform/Scheduler.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace lumivast {

// Window marks: the marks themselves (read and written by the delegate) and
// the capture of the next letter key the user presses within 2.0 s. During a
// capture the 26 plain letter keys are system-wide hot keys of this
// application; the first press, the timeout or a new capture releases them.
// Main thread only.
class WindowMarks final {
public:
    struct Mark {
        std::uint32_t id = 0;
        std::int32_t pid = 0;
        bool operator==(const Mark&) const = default;
    };

    static constexpr Duration kCaptureTimeout = 2000ms;
    // The letters a to z with their virtual key codes.
    static constexpr std::array<std::pair<char, quint32>, 26> kLetterKeys{{
        {'a', 0}, {'b', 11}, {'c', 8}, {'d', 2}, {'e', 14}, {'f', 3}, {'g', 5}, {'h', 4}, {'i', 34},
        {'j', 38}, {'k', 40}, {'l', 37}, {'m', 46}, {'n', 45}, {'o', 31}, {'p', 35}, {'q', 12}, {'r', 15},
        {'s', 1}, {'t', 17}, {'u', 32}, {'v', 9}, {'w', 13}, {'x', 7}, {'y', 16}, {'z', 6},
    }};

    WindowMarks(Scheduler& scheduler, GlobalHotKeys& hotKeys) : m_scheduler(scheduler), m_hotKeys(hotKeys) {}

    // Mark letter (one lower-case character) -> window.
    std::map<QString, Mark> marks;

    // Starts a capture, replacing one under way (whose completion is then
    // never called). `completion` gets the pressed letter, at most once; a
    // capture that times out reports nothing.
    void captureLetter(std::function<void(const QString& letter)> completion);

    bool isCapturing() const { return m_capturing; }
    // The letter keys of the capture under way.
    std::size_t pendingCount() const { return m_pending.size(); }

private:
    void endCapture();

    Scheduler& m_scheduler;
    GlobalHotKeys& m_hotKeys;
    std::vector<std::unique_ptr<GlobalHotKey>> m_pending;
    WorkItem m_timeout;
    bool m_capturing = false;
    std::uint64_t m_capture = 0; // number of the capture under way
    Lifetime m_lifetime; // a press may be delivered after the marks went
};

} // namespace lumivast
