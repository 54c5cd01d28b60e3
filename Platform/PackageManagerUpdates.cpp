#include "Platform/PackageManagerUpdates.h"

#include <QCoreApplication>

namespace lumivast {

std::optional<QString> PackageManagerUpdates::checkForUpdates()
{
    return QCoreApplication::translate("Updates", "Updates to Lumivast come from your system's package manager.");
}

} // namespace lumivast
