#include "Platform/LoginItem.h"

#include "Platform/DataFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace lumivast {

namespace {

QString quotedForExec(const QString& path)
{
    // The desktop entry's Exec rules: quote the whole path, escaping what the quotes would end.
    QString escaped = path;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
    escaped.replace(QLatin1Char('`'), QLatin1String("\\`"));
    escaped.replace(QLatin1Char('$'), QLatin1String("\\$"));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

AutostartLoginItem::AutostartLoginItem(QString folder, QString command)
    : m_folder(std::move(folder))
    , m_command(std::move(command))
{
}

QString AutostartLoginItem::entryPath() const
{
    const QString folder = m_folder.isEmpty()
        ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart")
        : m_folder;
    return folder + QStringLiteral("/lumivast.desktop");
}

bool AutostartLoginItem::isEnabled()
{
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // An entry the user switched off in the desktop's own settings stays there, hidden.
    const QByteArray text = file.readAll();
    return !text.contains("\nHidden=true") && !text.contains("\nX-GNOME-Autostart-enabled=false");
}

std::expected<void, QString> AutostartLoginItem::enable()
{
    const QString path = entryPath();
    if (!DataFile::makeFolder(QFileInfo(path).absolutePath()))
        return std::unexpected(QStringLiteral("cannot create %1").arg(QFileInfo(path).absolutePath()));
    const QString command = m_command.isEmpty() ? QCoreApplication::applicationFilePath() : m_command;
    const QString entry = QStringLiteral("[Desktop Entry]\nType=Application\nName=Lumivast\nExec=%1\n"
                                         "NoDisplay=true\nX-GNOME-Autostart-enabled=true\n")
                              .arg(quotedForExec(command));
    return DataFile::writeReportingError(path, entry.toUtf8());
}

std::expected<void, QString> AutostartLoginItem::disable()
{
    QFile file(entryPath());
    if (!file.exists())
        return {};
    if (!file.remove())
        return std::unexpected(file.errorString());
    return {};
}

} // namespace lumivast
