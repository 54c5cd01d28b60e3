#pragma once

#include "Core/Commands/SpaceCommand.h"
#include "Core/Spaces/SpaceModel.h"

#include <QString>

namespace lumivast {

struct SavedSpace;

// Where every front (the status menu, the bus, the HTTP API, URLs, the
// shortcuts) hands what the user asked for. Commands name their Space by
// number, name or "current"; the few calls that take a Space act on exactly
// that one, as a menu item chosen on it does. Main thread only.
class CommandSink {
public:
    virtual ~CommandSink() = default;

    virtual void perform(const SpaceCommand& command) = 0;
    // A switch to exactly this Space, as the program's own (no back-and-forth).
    virtual void switchTo(const Space& space) = 0;
    virtual void moveFrontWindow(const Space& space) = 0;
    virtual void setUp(const Space& space) = 0;
    virtual void editSpace(const Space& space) = 0;
    virtual void refreshPreviews() = 0;
    virtual void restoreSaved(const SavedSpace& saved) = 0;
    // A front that could not make a command of what it was given says so.
    virtual void reportError(const QString& message) = 0;
    // The overview's own key: opens it, walks its tiles while Option is held, or closes it.
    virtual void overviewHotKey() = 0;
    // Waits for a letter to set a window mark (`set`) or jump to one.
    virtual void captureMark(bool set) = 0;
};

} // namespace lumivast
