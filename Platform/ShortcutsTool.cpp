#include "Platform/ShortcutsTool.h"

#include "Platform/Platform.h"

namespace lumivast {

std::optional<QByteArray> ProcessShortcutsTool::listing()
{
    return Platform::current().processes().runReadingOutput(kPath, {QStringLiteral("list")});
}

std::optional<QString> ProcessShortcutsTool::run(const QString& name)
{
    return Platform::current().processes().startDetached(kPath, {QStringLiteral("run"), name}, {});
}

} // namespace lumivast
