#pragma once

#include "Core/Spaces/SpaceModel.h"

#include <functional>

namespace lumivast {

class AlertService;
class SpaceStore;
class SpaceWatcher;

// The modal dialog that asks for a Space's name: on request (isNew false) or
// for a Space that has just appeared (isNew true, with a box that turns these
// prompts off). The dialog closes unanswered when its Space leaves the
// watcher's snapshot.
namespace RenameDialog {

// Returns at once; the answer is acted on, and then `closed` runs, once the
// dialog has closed, unless the store has gone by then.
void present(const Space& space, SpaceStore& store, const SpaceWatcher& watcher, bool isNew, AlertService& alerts,
             std::function<void()> closed = {});

// The Space as the dialog names it: by position, never by its current name.
QString spaceLabel(const Space& space);
// Recent names in stored order, then the presets not among them.
QStringList nameItems();

} // namespace RenameDialog

} // namespace lumivast
