#include "Core/Notes/NoteFiles.h"

#include "Core/Spaces/SpaceStore.h"
#include "Platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace lumivast {

QString NoteFiles::folder()
{
    const QString path = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(kFolderName);
    QDir().mkpath(path); // a failure shows when the file is written, and is ignored there too
    return path;
}

QString NoteFiles::safeName(const QString& displayName)
{
    QString name = displayName;
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    name.replace(QLatin1Char(':'), QLatin1Char('-'));
    name.replace(QChar(u'\0'), QLatin1Char('-'));
    return name;
}

QByteArray NoteFiles::firstContent(const QString& displayName, const QString& note)
{
    return (QStringLiteral("# ") + displayName + QStringLiteral("\n\n") + note + QStringLiteral("\n\n- [ ] \n")).toUtf8();
}

QString NoteFiles::open(const Space& space, const SpaceStore& store)
{
    const QString path = QDir(folder()).filePath(safeName(store.displayName(space)) + QStringLiteral(".md"));
    // Created only when absent, and exclusively: a file that appeared meanwhile is kept as it is.
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        file.write(firstContent(store.displayName(space), store.meta(space.id).note.value_or(QString())));
    file.close();
    Platform::current().workspace().openURL(QUrl::fromLocalFile(path));
    return path;
}

} // namespace lumivast
