#pragma once

#include <QString>
#include <Qt>

class QKeyEvent;

namespace lumivast {

// One key press as the overview's key table reads it, made from a Qt event so
// that the table is tested without a window. Modifiers follow the program's
// rule for its own windows: Option is Alt, Command is Ctrl, Control is Meta.
struct OverlayKey {
    Qt::Key key = Qt::Key_unknown; // Backtab arrives as Tab with Shift
    QString text;                  // what the key types with every modifier applied
    QString shiftedText;           // what it types with only Shift applied
    Qt::KeyboardModifiers modifiers;
    bool isKeyLeftOfOne = false;   // by its position where that is known, else by the grave accent

    static OverlayKey fromEvent(const QKeyEvent& event);

    bool shift() const { return modifiers.testFlag(Qt::ShiftModifier); }
    bool option() const { return modifiers.testFlag(Qt::AltModifier); }
    bool commandOrControl() const { return modifiers & (Qt::ControlModifier | Qt::MetaModifier); }
};

// A press or release of a modifier key: the modifiers held after it, and the one it released.
struct OverlayFlags {
    Qt::KeyboardModifiers modifiers;
    Qt::KeyboardModifiers released;

    // Whether the key is one of the four modifier keys.
    static bool isModifierKey(int key);
    static OverlayFlags fromEvent(const QKeyEvent& event);
};

namespace OverlayTyping {
// Whether `text` is one character the search takes: letters, marks, digits,
// punctuation, space separators and tab.
bool isTypable(const QString& text);
} // namespace OverlayTyping

} // namespace lumivast
