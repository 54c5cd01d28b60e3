#pragma once

#include <QString>

#include <optional>

namespace lumivast {

// Where new versions of the program come from.
class UpdateService {
public:
    virtual ~UpdateService() = default;
    // Starts background checking, once, when the application starts.
    virtual void start() = 0;
    // The user asked for a check now. A service with an interface of its own
    // shows it and returns nothing; one without returns what to tell the user.
    virtual std::optional<QString> checkForUpdates() = 0;
};

} // namespace lumivast
