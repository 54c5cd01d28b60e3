#pragma once

#include "Core/Menus/MenuItem.h"
#include "Platform/Scheduler.h"

#include <QPoint>
#include <QString>

#include <vector>

class QMenu;
class QWidget;

// Turns a menu tree into a QMenu that does not block: shown with popup(), it
// runs the chosen item's action once it has closed. Texts from data show as
// written, separators stay where the tree puts them, key hints show in the
// shortcut column and choose their item while the menu is open (nothing is
// registered outside it), and Space rows draw their rich title.
namespace lumivast::MenuAdapter {

// The caller owns the menu (it deletes itself after closing when `deleteOnClose`).
QMenu* build(const std::vector<MenuItem>& items, Scheduler& scheduler, QWidget* parent = nullptr,
             bool deleteOnClose = false);

// Opens a menu of `items` at `at` (global) that deletes itself once closed.
QMenu* popUp(const std::vector<MenuItem>& items, Scheduler& scheduler, QPoint at);

// Whether choosing the item does something: enabled, with an action or a submenu.
bool choosable(const MenuItem& item);

// A title as a menu shows it exactly: "&" is no mnemonic, and a tab does not
// split it into a shortcut column.
QString escapedTitle(const QString& title);
// The key hint in Qt's native text ("Ctrl+Alt+1"); empty without a key.
QString hintText(const MenuItem& item);

} // namespace lumivast::MenuAdapter
