#include "Core/Notes/NoteFiles.h"

#include "Core/Spaces/SpaceStore.h"
#include "Platform/DataFile.h"
#include "Platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTextBoundaryFinder>

namespace lumivast {

QString NoteFiles::folder()
{
    const QString path = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(kFolderName);
    DataFile::makeFolder(path); // a failure shows when the file is written, and is ignored there too
    return path;
}

QString NoteFiles::safeName(const QString& displayName)
{
    QString name = displayName;
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    name.replace(QLatin1Char(':'), QLatin1Char('-'));
    name.replace(QChar(u'\0'), QLatin1Char('-'));
    if (name.toUtf8().size() <= kLongestNameBytes)
        return name;
    // Cut between characters as the user sees them, never inside one.
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, name);
    qsizetype fits = 0;
    qsizetype bytes = 0;
    for (qsizetype end = graphemes.toNextBoundary(); end > 0; end = graphemes.toNextBoundary()) {
        bytes += QStringView(name).mid(fits, end - fits).toUtf8().size();
        if (bytes > kLongestNameBytes)
            break;
        fits = end;
    }
    return name.left(fits);
}

QByteArray NoteFiles::firstContent(const QString& displayName, const QString& note)
{
    return (QStringLiteral("# ") + displayName + QStringLiteral("\n\n") + note + QStringLiteral("\n\n- [ ] \n")).toUtf8();
}

QString NoteFiles::open(const Space& space, const SpaceStore& store)
{
    const QString path = QDir(folder()).filePath(safeName(store.displayName(space)) + QStringLiteral(".md"));
    // Created only when absent, and exclusively: a file that appeared meanwhile is kept as it is.
    (void)DataFile::createExclusive(path, firstContent(store.displayName(space), store.meta(space.id).note.value_or(QString())));
    Platform::current().workspace().openURL(QUrl::fromLocalFile(path));
    return path;
}

} // namespace lumivast
