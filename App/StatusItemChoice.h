#pragma once

#include "Platform/Scheduler.h"
#include "UI/MenuBar/StatusItem.h"

#include <QDBusConnection>

#include <memory>

namespace lumivast {

// The status item for this session: a notifier item of our own where a
// watcher with a host is on `bus` (those hosts draw the title as a label),
// else the tray icon, which docks into an XEmbed tray. Logs which.
std::unique_ptr<StatusItem> createStatusItem(Scheduler& scheduler, const QDBusConnection& bus);

} // namespace lumivast
