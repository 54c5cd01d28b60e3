#pragma once

#include "Core/Menus/MenuItem.h"
#include "Platform/Updates.h"

#include <QString>

#include <functional>
#include <vector>

namespace lumivast {

// Keeps the platform's update service running and supplies the status menu's
// "Check for Updates…" item. One per process, made with the application.
class Updater final {
public:
    // Starts the service at once.
    explicit Updater(UpdateService& service);

    // A fresh list on every call (the status menu is rebuilt each time it opens).
    // The items call back into this Updater, which must outlive them.
    std::vector<MenuItem> menuItems();
    // What the menu item does: an interactive check by the service.
    void checkForUpdates();

    // Text to show the user when the service has no interface of its own.
    std::function<void(const QString&)> onMessage;

private:
    UpdateService& m_service;
};

} // namespace lumivast
