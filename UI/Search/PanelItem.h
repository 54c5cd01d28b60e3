#pragma once

#include <QImage>
#include <QString>

#include <functional>

namespace lumivast {

// One row of a search panel.
struct PanelItem {
    QString id;       // unique within one list
    QString title;    // first line; searched
    QString subtitle; // second line, hidden when empty; searched
    QImage icon;      // null: the generic "app" symbol is drawn
    std::function<void()> primary;   // Return and a click
    std::function<void()> secondary; // Ctrl+Return; when empty it runs `primary`
};

} // namespace lumivast
