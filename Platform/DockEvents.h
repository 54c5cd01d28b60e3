#pragma once

#include "Platform/Events.h"
#include "Platform/SymbolicHotKeys.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>

namespace lumivast {

// What a posted event asks of the Dock: go to Desktop N, or one Space left or
// right on the row under the pointer (stopping at its ends).
struct DockRequest {
    enum class Kind { desktop, step };
    Kind kind = Kind::desktop;
    int value = 0;      // the Desktop number (1 to 16), or the step (-1 left, +1 right)
    QString cause;      // "hot key 118", "swipe"
    bool gesture = false;
    bool operator==(const DockRequest&) const = default;
};

// The Dock's one way of reading posted events, shared by every platform: a
// key press that matches an enabled symbolic hot key, and a complete
// horizontal Dock swipe gesture (began, then ended, in one direction), make a
// request. Systems from version 27 on read the swipe's direction through the
// user's scrolling preference and check its attached payload. A swipe is
// followed across events, so one reader serves one event stream.
class DockEventReader {
public:
    struct Context {
        const std::map<std::int32_t, SymbolicHotKey>& hotKeys;
        int osMajorVersion = 15;
        bool naturalScrolling = true;
    };

    // The request the event makes; none, with a line in `log` saying why, for any other event.
    std::optional<DockRequest> read(const InputEvent& event, const Context& context, QStringList& log);
    // The enabled hot key a key event matches (by key code and flags); none when it matches none.
    static std::optional<std::int32_t> matchingHotKey(const InputEvent& event, const std::map<std::int32_t, SymbolicHotKey>& hotKeys);

private:
    std::optional<DockRequest> keyDown(const InputEvent& event, const Context& context, QStringList& log);
    std::optional<DockRequest> swipe(const InputEvent& event, const Context& context, QStringList& log);
    static std::optional<QString> payloadProblem(const InputEvent& event, std::int64_t phase);

    std::optional<double> m_swipeDirection; // sign of the gesture in progress
};

// The serialised form of an event, as the system hands it out and reads it back.
namespace EventData {
QByteArray encode(const InputEvent& event, quint32 version = 2);
std::optional<InputEvent> decode(const QByteArray& data);
} // namespace EventData

} // namespace lumivast
