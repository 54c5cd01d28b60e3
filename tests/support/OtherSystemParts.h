#pragma once

#include "Platform/SystemParts.h"

namespace lumivast::test {

// A system with none of the first system's parts, speaking of its own (as the real desktop does).
class OtherSystemParts final : public SystemParts {
public:
    Words words() const override
    {
        return {.computer = "computer",
                .system = "Debian GNU/Linux",
                .fileManager = "the file manager",
                .systemSettings = "system settings",
                .statusArea = "system tray"};
    }
    bool has(Part) const override { return false; }
    QString whyNoDesktops() const override { return noDesktops; }

    QString noDesktops; // set while the test's system has no desktops
};

} // namespace lumivast::test
