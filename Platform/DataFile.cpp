#include "Platform/DataFile.h"

#include "Platform/Log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <mutex>

namespace lumivast::DataFile {

namespace {

struct SetAsideLog {
    std::mutex mutex;
    std::vector<SetAsideFile> files;
    std::size_t reported = 0;
    std::function<void(const SetAsideFile&)> observer;
};

SetAsideLog& setAsideLog()
{
    static SetAsideLog log;
    return log;
}

} // namespace

ReadResult read(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return {ReadStatus::Failed, {}};
    return {ReadStatus::Read, file.readAll()};
}

bool write(const QString& path, const QByteArray& bytes, std::optional<QFileDevice::Permissions> permissions)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qCWarning(lcFiles) << "cannot write" << path << file.errorString();
        return false;
    }
    if (permissions && !file.setPermissions(*permissions)) {
        file.cancelWriting();
        qCWarning(lcFiles) << "cannot restrict" << path;
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        qCWarning(lcFiles) << "cannot write" << path << file.errorString();
        return false;
    }
    return true;
}

QString setAside(const QString& path)
{
    if (!QFile::exists(path))
        return {};
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmsszzz"));
    QString target = path + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFile::exists(target); ++n)
        target = path + QStringLiteral(".unreadable-") + stamp + QLatin1Char('-') + QString::number(n);
    if (!QFile::rename(path, target)) {
        qCWarning(lcFiles) << "cannot set aside unreadable" << path;
        return {};
    }
    qCWarning(lcFiles) << "unreadable file kept as" << target;
    std::function<void(const SetAsideFile&)> observer;
    {
        SetAsideLog& log = setAsideLog();
        std::lock_guard lock(log.mutex);
        log.files.push_back({path, target});
        observer = log.observer;
    }
    if (observer)
        observer({path, target});
    return target;
}

std::vector<SetAsideFile> setAsideFiles()
{
    SetAsideLog& log = setAsideLog();
    std::lock_guard lock(log.mutex);
    return log.files;
}

std::vector<SetAsideFile> takeUnreportedSetAsideFiles()
{
    SetAsideLog& log = setAsideLog();
    std::lock_guard lock(log.mutex);
    std::vector<SetAsideFile> fresh(log.files.begin() + std::ptrdiff_t(log.reported), log.files.end());
    log.reported = log.files.size();
    return fresh;
}

void setSetAsideObserver(std::function<void(const SetAsideFile&)> observer)
{
    SetAsideLog& log = setAsideLog();
    std::lock_guard lock(log.mutex);
    log.observer = std::move(observer);
}

void forgetSetAsideFiles()
{
    SetAsideLog& log = setAsideLog();
    std::lock_guard lock(log.mutex);
    log.files.clear();
    log.reported = 0;
}

std::optional<QJsonDocument> readJson(const QString& path, bool (*accept)(const QJsonDocument&))
{
    const ReadResult result = read(path);
    if (result.status == ReadStatus::Missing)
        return std::nullopt;
    if (result.status == ReadStatus::Failed) {
        // Callers treat this as missing and save over it later.
        setAside(path);
        return std::nullopt;
    }
    QJsonParseError error{};
    QJsonDocument doc = QJsonDocument::fromJson(result.bytes, &error);
    if (error.error != QJsonParseError::NoError || doc.isNull() || (accept && !accept(doc))) {
        setAside(path);
        return std::nullopt;
    }
    return doc;
}

} // namespace lumivast::DataFile
