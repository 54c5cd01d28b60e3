#pragma once

#include "Platform/DockEvents.h"
#include "Platform/Events.h"
#include "Platform/X11/Session.h"
#include "Platform/X11/Symbols.h"

#include <QDateTime>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace lumivast::x11 {

// Posted events on the real desktop. What the Dock would read (a key press
// matching an enabled symbolic hot key, a complete swipe gesture) becomes one
// _NET_CURRENT_DESKTOP request to the window manager, and such a key press is
// consumed: faked into the server it would type into the focused
// application. Other keys to the HID tap, mouse events and warps go through
// XTest and WarpPointer. Main thread.
class X11Events final : public EventPoster {
public:
    X11Events(std::shared_ptr<Session> session, Symbols& symbols);

    std::optional<InputEvent> createEvent() override;
    void post(EventTap tap, const InputEvent& event) override;
    void postToProcess(std::int32_t pid, const InputEvent& event) override;
    std::optional<QByteArray> eventData(const InputEvent& event) override { return EventData::encode(event); }
    std::optional<InputEvent> eventFromData(const QByteArray& data) override { return EventData::decode(data); }
    bool warpPointer(const QPointF& point) override;
    quint32 pressedMouseButtons() override;
    quint64 hostTime() override;

    // What became of each Dock request ("request ...", "ignored ..."), for diagnostics and tests.
    const QStringList& log() const { return m_log; }

private:
    // How long a requested desktop counts as on its way when the window manager has not shown it yet.
    static constexpr qint64 kPendingMs = 1000;

    void act(XConnection& x, const DockRequest& request);
    void fakeKey(XConnection& x, const InputEvent& event);
    void fakeMouse(XConnection& x, const InputEvent& event);

    std::shared_ptr<Session> m_session;
    Symbols& m_symbols;
    DockEventReader m_reader;
    std::set<quint16> m_consumedKeys; // hot-key presses whose release is consumed too
    // The desktops requested of one screen that have not been shown yet, in the order sent.
    struct Pending {
        std::vector<std::uint32_t> targets;
        std::uint32_t shown = 0; // the desktop shown when the last of them was known to be on its way
        qint64 sentAt = 0;       // ms, monotonic, of the latest
        // The session's count of current-desktop notifications that the sending and the landings so far explain.
        std::uint64_t changes = 0;
    };
    // Where the requests on their way to `screen` end, given the desktop shown now; none when nothing is on its way.
    // `changes`: the session's count of current-desktop notifications, read before `shown` was.
    std::optional<std::uint32_t> pendingTarget(int screen, std::uint32_t shown, std::uint64_t changes);
    std::map<int, Pending> m_pending; // by X screen
    QStringList m_log;
};

} // namespace lumivast::x11
