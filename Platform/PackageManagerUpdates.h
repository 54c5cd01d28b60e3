#pragma once

#include "Platform/Updates.h"

namespace lumivast {

// On Linux the program is installed and updated by the distribution's package
// manager; there is nothing to check in the background, and a check the user
// asks for says so.
class PackageManagerUpdates final : public UpdateService {
public:
    void start() override {}
    std::optional<QString> checkForUpdates() override;
};

} // namespace lumivast
