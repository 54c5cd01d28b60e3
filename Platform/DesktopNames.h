#pragma once

#include <QString>

#include <cstdint>
#include <map>

namespace lumivast {

// The names the user gave the desktops, handed to the system so that its own
// pager and switcher show them. Nothing is read back. Main thread.
class DesktopNames {
public:
    virtual ~DesktopNames() = default;
    // Every stored name by managed Space number; a desktop missing here keeps the system's own name.
    virtual void setStoredNames(const std::map<std::uint64_t, QString>& names) = 0;
};

} // namespace lumivast
