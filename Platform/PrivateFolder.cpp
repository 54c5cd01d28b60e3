#include "Platform/PrivateFolder.h"

#include "Platform/Log.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace lumivast::PrivateFolder {

namespace {

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace

QString claim(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return QStringLiteral("it cannot be created (%1)").arg(systemError(errno));
    // lstat: a symbolic link is refused, whatever it points to.
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0)
        return QStringLiteral("it cannot be examined (%1)").arg(systemError(errno));
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("it is a symbolic link");
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("it is not a folder");
    if (info.st_uid != ::geteuid())
        return QStringLiteral("it belongs to user id %1, not to this user").arg(info.st_uid);
    if ((info.st_mode & 07777) != 0700)
        return QStringLiteral("its mode is %1, not 700").arg(info.st_mode & 07777, 0, 8);
    return {};
}

Folder find()
{
    // Anyone who could create this folder first, or write into it, would
    // receive what is kept there (note texts among the URLs launches hand
    // over) or could plant links that redirect its writes.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        const QString problem = claim(runtime);
        if (problem.isEmpty())
            return {runtime, {}};
        qCWarning(lcFiles) << "not using the runtime folder" << runtime << "because" << problem;
    }
    const QString own = QDir(QDir::tempPath()).filePath(QStringLiteral("lumivast-%1").arg(::geteuid()));
    const QString problem = claim(own);
    if (problem.isEmpty())
        return {own, {}};
    return {{}, QStringLiteral("refusing to use %1 for the running instance's socket: %2").arg(own, problem)};
}

} // namespace lumivast::PrivateFolder
