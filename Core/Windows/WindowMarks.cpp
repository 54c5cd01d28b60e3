#include "Core/Windows/WindowMarks.h"

namespace lumivast {

void WindowMarks::endCapture()
{
    m_timeout.cancel();
    m_capturing = false;
    // Dropping a key unregisters it; move them out first in case a key's own action is running.
    auto keys = std::move(m_pending);
    m_pending.clear();
}

void WindowMarks::captureLetter(std::function<void(const QString& letter)> completion)
{
    endCapture();
    const std::uint64_t capture = ++m_capture;
    m_capturing = true;

    std::vector<std::unique_ptr<GlobalHotKey>> keys;
    for (const auto& [letter, keyCode] : kLetterKeys) {
        const QString text(QChar::fromLatin1(letter));
        auto key = m_hotKeys.create(keyCode, 0, m_lifetime.guard([this, capture, text, completion] {
            // A press belongs to its own capture only, and ends it: later
            // presses (or a press queued before a newer capture) do nothing.
            if (capture != m_capture || !m_capturing)
                return;
            endCapture();
            if (completion)
                completion(text);
        }));
        if (key)
            keys.push_back(std::move(key)); // taken by another application: that letter cannot be captured
    }
    if (!m_capturing || capture != m_capture)
        return; // a key fired while the others were being registered; the capture is over
    m_pending = std::move(keys);
    m_timeout = m_scheduler.after(kCaptureTimeout, [this] { endCapture(); });
}

} // namespace lumivast
