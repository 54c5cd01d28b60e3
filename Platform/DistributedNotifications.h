#pragma once

#include "Platform/Workspace.h"

#include <QString>

#include <functional>

namespace lumivast {

// Notifications the system and other programs broadcast to every application
// by name ("com.apple.expose.awake" when Mission Control starts to open).
// Handlers run on the main thread.
class DistributedNotifications {
public:
    virtual ~DistributedNotifications() = default;
    [[nodiscard]] virtual Subscription observe(const QString& name, std::function<void()> handler) = 0;
};

} // namespace lumivast
