#pragma once

#include <QString>

#include <cstdint>
#include <map>

namespace lumivast {

// The names the user gave the desktops, handed to the system so that its own
// pager and switcher show them (where it has them: SystemParts::Part::desktopNames).
// The program never reads them back; shownNames() is there to check what the system
// shows. Main thread.
class DesktopNames {
public:
    virtual ~DesktopNames() = default;
    // Every stored name by managed Space number; a desktop missing here keeps the system's own name.
    virtual void setStoredNames(const std::map<std::uint64_t, QString>& names) = 0;
    // The name the system shows for each of its desktops now, by managed Space number; empty
    // where it shows none of its own.
    virtual std::map<std::uint64_t, QString> shownNames() { return {}; }
};

} // namespace lumivast
