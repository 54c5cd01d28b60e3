#include "App/StatusItemChoice.h"

#include "Platform/Log.h"
#include "App/NotifierStatusItem.h"
#include "UI/MenuBar/TrayStatusItem.h"

namespace lumivast {

std::unique_ptr<StatusItem> createStatusItem(Scheduler& scheduler, const QDBusConnection& bus)
{
    if (NotifierStatusItem::watcherPresent(bus)) {
        auto item = std::make_unique<NotifierStatusItem>(scheduler, bus);
        if (item->start()) {
            qCInfo(lcApp) << "status item: a notifier item on the session bus, as" << item->serviceName();
            return item;
        }
    }
    qCInfo(lcApp) << "status item: a tray icon";
    return std::make_unique<TrayStatusItem>(scheduler);
}

} // namespace lumivast
