#pragma once

#include <QDialog>

#include <functional>
#include <memory>

namespace lumivast {

// Shows `dialog` modal to the whole application and returns at once, without
// an event loop of its own. Once it has closed, `closed` runs from the event
// loop with the dialog, still readable, and its result; the dialog is deleted
// right after.
void showModal(std::unique_ptr<QDialog> dialog, std::function<void(QDialog& dialog, int result)> closed);

} // namespace lumivast
