#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <memory>

namespace lumivast {

class Platform;
class SimWorld;

// Which desktop the program manages, from its environment. LUMIVAST_PLATFORM
// names one ("sim" or "x11"); a world file (LUMIVAST_WORLD) implies the
// simulation. With neither, the real desktop when DISPLAY reaches an X server
// whose window manager follows EWMH, else the built-in simulated world. The
// choice is made before the application object exists; the platform itself
// is built later by create().
struct PlatformChoice {
    enum class Kind { sim, x11 };
    Kind kind = Kind::sim;
    std::shared_ptr<SimWorld> world; // the simulated world, for sim
    QString reason;                  // which one and why, for the log
    QString error;                   // set: nothing can be managed, and this says why
    bool displayUnreachable = false; // DISPLAY names no server the program could open

    std::shared_ptr<Platform> create() const;
};

PlatformChoice choosePlatform(const QProcessEnvironment& environment);

} // namespace lumivast
