#pragma once

#include <QtGlobal>

#include <expected>
#include <functional>
#include <optional>
#include <string_view>

namespace lumivast {

// A four-character code packed big-endian into 32 bits ('LVDC' -> 0x4C564443).
constexpr quint32 fourCharCode(std::string_view code)
{
    quint32 value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<unsigned char>(i < code.size() ? code[i] : ' ');
    return value;
}

// Modifier mask bits of a system-wide hot key; 0 means no modifier.
namespace HotKeyModifier {
inline constexpr quint32 command = 0x100;
inline constexpr quint32 shift = 0x200;
inline constexpr quint32 option = 0x800;
inline constexpr quint32 control = 0x1000;
} // namespace HotKeyModifier

// Identifies a registration to whoever handles its presses: the owner's
// signature and the owner's own number for the key.
struct HotKeyID {
    quint32 signature = 0;
    quint32 id = 0;
    friend bool operator==(const HotKeyID&, const HotKeyID&) = default;
};

// Opaque handle of one registration; 0 is no registration.
using HotKeyRef = quint64;

enum class HotKeyError {
    alreadyTaken, // another registration (ours or another application's) holds the combination
    invalid,      // the registry does not accept this key or mask
};

// What an event handler did with a hot-key event. A handler that does not
// recognise the event answers notHandled so that other handlers may take it.
enum class HotKeyEventResult { handled, notHandled };

// The system's registry of system-wide hot keys. Registered combinations are
// delivered to the application's installed handlers whichever application is
// in front. The event carries the pressed registration's HotKeyID; nothing
// when the id could not be read from the event.
class HotKeyRegistry {
public:
    using Handler = std::function<HotKeyEventResult(std::optional<HotKeyID> pressed)>;

    virtual ~HotKeyRegistry() = default;

    // Adds a handler for the application's hot-key events; the newest handler
    // is asked first. False when the system refused to install it.
    virtual bool installHandler(Handler handler) = 0;
    virtual std::expected<HotKeyRef, HotKeyError> registerHotKey(quint32 keyCode, quint32 modifiers, HotKeyID id) = 0;
    // False when `ref` was not registered.
    virtual bool unregisterHotKey(HotKeyRef ref) = 0;
};

} // namespace lumivast
