#pragma once

class QCoreApplication;

namespace lumivast {

// Quits the application's event loop on SIGINT, SIGTERM and SIGHUP, from the loop
// itself rather than inside the signal handler.
void quitOnTerminationSignals(QCoreApplication& app);

} // namespace lumivast
