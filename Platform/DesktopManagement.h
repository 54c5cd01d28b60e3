#pragma once

#include <functional>

namespace lumivast {

// Adding and removing desktops where the system takes such requests itself
// (an EWMH window manager does). Where it does not, the program operates
// Mission Control instead. Each completion runs once, on the main thread.
class DesktopManagement {
public:
    enum class Outcome {
        done,          // the system shows the change
        noSuchDesktop, // there is no desktop of that number
        notDone,       // the system did not make the change in time
    };
    using Completion = std::function<void(Outcome)>;

    virtual ~DesktopManagement() = default;
    // Appends a desktop to the row of the menu-bar display.
    virtual void addDesktop(Completion done) = 0;
    // Removes desktop `number` (as the Spaces list numbers desktops, from 1). Its windows go to
    // the desktop before it (the next one when it is the first), the windows of every later
    // desktop move down one, then the row is shortened by one.
    virtual void removeDesktop(int number, Completion done) = 0;
};

} // namespace lumivast
