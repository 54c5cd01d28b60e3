#pragma once

#include "Platform/Scheduler.h"

#include <QString>

#include <vector>

namespace lumivast {

// Opens a browser of the Chromium family with one of its user profiles.
namespace BrowserProfiles {

struct Browser {
    QString name;
    QString bundle;
};
// The browsers the Space editor offers, in its order.
const std::vector<Browser>& supported();

// Launches the browser with "--profile-directory=<profile>" (the text
// unchanged, one argument). A browser that already runs only comes forward,
// as the system hands arguments only to an instance it starts. A bundle no
// installed application has does nothing. Main thread.
void open(const QString& bundle, const QString& profile);

} // namespace BrowserProfiles

// Sets up the outside window switcher AltTab to show only the current Space's windows.
namespace AltTabSetup {

inline const QString kBundleID = QStringLiteral("com.qarlen.alt-tab-macos");
// A running AltTab is asked to quit and opened again this much later, so it reads the new values.
constexpr Duration kRelaunchDelay = 1000ms;

bool isInstalled();
// Writes "spacesToShow" and "spacesToShow2" as the text "1" into AltTab's
// preferences and restarts a running AltTab. False only when its preferences
// cannot be opened; answers at once, before any restart. Main thread.
bool showCurrentSpaceOnly(Scheduler& scheduler);

} // namespace AltTabSetup

} // namespace lumivast
