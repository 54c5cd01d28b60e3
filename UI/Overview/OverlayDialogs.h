#pragma once

#include "Core/Overview/OverlayViewModel.h"

#include <QStringList>

namespace lumivast {

class AlertService;

// The note of a Space, typed in a small modal alert; Save stores the trimmed
// text (empty removes the note), anything else stores nothing. Both dialogs
// return at once and store once answered, unless the model has gone by then.
namespace NoteDialog {
void present(const OverlayTile& tile, OverlayViewModel& model, AlertService& alerts);
}

// The category of a Space, typed or picked from the categories in use and a
// few suggestions; Save stores the trimmed text (empty removes the category).
namespace CategoryDialog {
inline const QStringList suggestedCategories{QStringLiteral("Work"), QStringLiteral("Personal"), QStringLiteral("Clients"),
                                             QStringLiteral("Projects"), QStringLiteral("Admin")};
// The list the dialog offers: the categories in use and the suggestions,
// once each (exact text), in plain text order.
QStringList choices(const QStringList& knownGroups);
void present(const OverlayTile& tile, OverlayViewModel& model, AlertService& alerts);
} // namespace CategoryDialog

} // namespace lumivast
