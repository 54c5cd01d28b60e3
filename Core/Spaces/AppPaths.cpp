#include "Core/Spaces/AppPaths.h"

#include "Platform/DataFile.h"

#include <QDir>
#include <QStandardPaths>

namespace lumivast::AppPaths {

namespace {

QString ensured(const QString& path)
{
    DataFile::makeFolder(path); // failure shows up later, when the owner writes
    return path;
}

} // namespace

QString supportDirectory()
{
    return ensured(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Lumivast"));
}

QString thumbnailsDirectory()
{
    return ensured(supportDirectory() + QStringLiteral("/Thumbnails"));
}

QString iconsDirectory()
{
    return ensured(supportDirectory() + QStringLiteral("/Icons"));
}

QString file(const QString& name)
{
    return supportDirectory() + QLatin1Char('/') + name;
}

} // namespace lumivast::AppPaths
