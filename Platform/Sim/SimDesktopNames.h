#pragma once

#include "Platform/DesktopNames.h"

#include <vector>

namespace lumivast {

// The simulated system shows no desktop names of its own: it records what it is given.
class SimDesktopNames final : public DesktopNames {
public:
    void setStoredNames(const std::map<std::uint64_t, QString>& names) override { received.push_back(names); }

    std::vector<std::map<std::uint64_t, QString>> received;
};

} // namespace lumivast
