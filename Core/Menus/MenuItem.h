#pragma once

#include "Core/Commands/SpaceCommand.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <functional>
#include <optional>
#include <variant>
#include <vector>

namespace lumivast {

// One entry of a menu as plain data; a single adapter turns trees of them into
// real menus, so menu content is tested without widgets.
struct MenuItem {
    enum class State { off, on, mixed };

    // What an item stands for. The action looks it up again when the item is
    // chosen, so a menu left open across a change acts on the world as it is then.
    struct SpaceID {
        QString id;
        bool operator==(const SpaceID&) const = default;
    };
    struct SavedSpaceID {
        QString id; // upper-case UUID text
        bool operator==(const SavedSpaceID&) const = default;
    };
    using Payload = std::variant<std::monostate, SpaceID, SpaceCommand, SavedSpaceID>;

    // A Space row's title as runs: the number prefix (secondary colour), the
    // name, app icons after it and the note on an indented second line.
    struct RichTitle {
        QString prefix;
        QString name;
        std::vector<QImage> appIcons; // at most eight
        std::optional<QString> note;
        int noteIndent = 0; // in characters: one per character of the prefix
    };

    QString title;         // shown exactly as written
    QString symbol;        // symbol name; empty: no image
    std::optional<QColor> symbolTint; // the symbol's colour; none: the menu's text colour
    QImage picture;        // a picture instead of a symbol (a custom icon)
    State state = State::off;
    bool enabled = true;
    // The key hint, in the keys that work here: Qt::Key_unknown for none.
    Qt::Key key = Qt::Key_unknown;
    Qt::KeyboardModifiers modifiers;
    QString toolTip;
    std::optional<RichTitle> rich;
    Payload payload;
    bool isSeparator = false;
    std::function<void()> action; // what choosing the item does; none for a submenu or a separator
    std::vector<MenuItem> children;

    bool hasKey() const { return key != Qt::Key_unknown; }

    static MenuItem separator()
    {
        MenuItem item;
        item.isSeparator = true;
        item.enabled = false;
        return item;
    }
};

} // namespace lumivast
