#include "Platform/DataFile.h"

#include "Platform/Log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <mutex>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

mode_t posixMode(QFileDevice::Permissions p)
{
    mode_t mode = 0;
    if (p & QFileDevice::ReadOwner)
        mode |= S_IRUSR;
    if (p & QFileDevice::WriteOwner)
        mode |= S_IWUSR;
    if (p & QFileDevice::ExeOwner)
        mode |= S_IXUSR;
    if (p & QFileDevice::ReadGroup)
        mode |= S_IRGRP;
    if (p & QFileDevice::WriteGroup)
        mode |= S_IWGRP;
    if (p & QFileDevice::ExeGroup)
        mode |= S_IXGRP;
    if (p & QFileDevice::ReadOther)
        mode |= S_IROTH;
    if (p & QFileDevice::WriteOther)
        mode |= S_IWOTH;
    if (p & QFileDevice::ExeOther)
        mode |= S_IXOTH;
    return mode;
}

// QSaveFile creates its temporary file with the umask's mode and narrows it
// afterwards, so a secret would be readable for a moment (and for good under
// umask 0 when the narrowing fails). Here the file is born with at most the
// owner's bits: mkstemp makes it 0600 whatever the umask, and only then is it
// given the asked mode, written, synced and renamed into place.
bool writeRestricted(const QString& path, const QByteArray& bytes, QFileDevice::Permissions permissions)
{
    QByteArray temp = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        qCWarning(lcFiles) << "cannot write" << path << ::strerror(errno);
        return false;
    }
    bool ok = ::fchmod(fd, posixMode(permissions)) == 0;
    for (qsizetype done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += n > 0 ? n : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.constData(), QFile::encodeName(path).constData()) == 0;
    if (!ok) {
        qCWarning(lcFiles) << "cannot write" << path << ::strerror(errno);
        ::unlink(temp.constData());
    }
    return ok;
}

// Qt loses the reason when the temporary file beside `path` cannot be made;
// making one the same way again tells it.
std::optional<QString> whyNoFileBeside(const QString& path)
{
    QByteArray probe = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkstemp(probe.data());
    if (fd < 0)
        return qt_error_string(errno);
    ::close(fd);
    ::unlink(probe.constData());
    return std::nullopt;
}

} // namespace

bool write(const QString& path, const QByteArray& bytes, std::optional<QFileDevice::Permissions> permissions)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (permissions)
        return writeRestricted(path, bytes, *permissions);
    return writeReportingError(path, bytes).has_value();
}

std::expected<void, QString> writeReportingError(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return {};
    QString reason = file.errorString();
    if (reason.isEmpty() || reason == QLatin1String("Unknown error"))
        reason = whyNoFileBeside(path).value_or(reason);
    qCWarning(lcFiles) << "cannot write" << path << reason;
    return std::unexpected(reason);
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
