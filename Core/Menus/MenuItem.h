#pragma once

#include <QString>

#include <functional>
#include <vector>

namespace lumivast {

// One entry of a menu as plain data; a single adapter turns trees of them into
// real menus, so menu content is tested without widgets.
struct MenuItem {
    enum class State { off, on, mixed };

    QString title;
    QString symbol;        // symbol name; empty: no image
    State state = State::off;
    bool enabled = true;
    QString keyEquivalent; // empty: none
    bool isSeparator = false;
    std::function<void()> action; // what choosing the item does; none for a submenu or a separator
    std::vector<MenuItem> children;

    static MenuItem separator()
    {
        MenuItem item;
        item.isSeparator = true;
        item.enabled = false;
        return item;
    }
};

} // namespace lumivast
