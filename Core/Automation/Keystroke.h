#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace lumivast {

// One synthetic key press from a combination the user typed ("cmd+shift+1").
// Reports nothing: a text without a key posts nothing.
namespace Keystroke {

// Event flags of the modifiers, as the event poster carries them.
constexpr quint64 kCommand = 0x100000;
constexpr quint64 kShift = 0x20000;
constexpr quint64 kOption = 0x80000;
constexpr quint64 kControl = 0x40000;

// The key number of a lower-case key name ("a", "return", "f5"); nothing for a name not in the table.
std::optional<quint16> keyCode(const QString& name);

struct Press {
    quint16 keyCode = 0;
    quint64 flags = 0;
    bool operator==(const Press&) const = default;
};
// What `send` would press; nothing when the text names no key.
std::optional<Press> parse(const QString& combination);

// Posts key down then key up at the HID tap, both carrying the modifiers as
// flags (no modifier key events of their own). Main thread.
void send(const QString& combination);

} // namespace Keystroke

} // namespace lumivast
