#pragma once

#include "Core/Spaces/SpaceContents.h"
#include "Platform/Scheduler.h"

#include <QString>
#include <QStringList>

#include <optional>

// The installed applications behind the app launcher, and opening one of them
// on the current Space.
namespace lumivast::AppCatalogue {

// Folders searched, in order of precedence; "~" is the user's home folder.
const QStringList& folders();

// Paths of the application bundles in the folders' direct entries: entries
// named "*.app", the first of each file name winning, sorted by name without
// the extension, ignoring case (stable). Lists the folders again on each call;
// a folder that cannot be listed adds nothing.
QStringList all();

// Delay between asking a running application for a new window and activating it.
inline constexpr Duration kActivationDelay = 350ms;

// Brings the application at `bundlePath` up on the Space with managed number
// `currentSpaceID`: activated when it already has a window there, otherwise
// sent Command-N and activated 0.35 s later; launched when it does not run (or
// its bundle cannot be read). Main thread.
// Command-N, key down then up, to that process: most apps open a new window.
void postCommandN(std::int32_t pid);

void openHere(const QString& bundlePath, const SpaceContents& contents, std::optional<int> currentSpaceID,
              Scheduler& scheduler);

} // namespace lumivast::AppCatalogue
