#include "Platform/DataFile.h"

#include "Platform/Log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

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
    // Read no further than the cap, whatever size the file claims.
    QByteArray bytes = file.read(kMaxReadBytes + 1);
    if (bytes.size() > kMaxReadBytes) {
        qCWarning(lcFiles) << "not reading" << path << "- it is larger than" << kMaxReadBytes / (1024 * 1024) << "MB";
        return {ReadStatus::Failed, {}};
    }
    return {ReadStatus::Read, std::move(bytes)};
}

namespace {

QString errorText(int code)
{
    return QString::fromLocal8Bit(::strerror(code));
}

// The process's umask, read without changing it (changing it, even for a
// moment, would affect files other threads create meanwhile).
mode_t currentUmask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return mode_t(mask);
            }
        }
    }
    return 077; // unknown: the narrowest
}

bool writeAll(int fd, const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += n;
    }
    return true;
}

} // namespace

bool makeFolder(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    // Walk up to the first folder that exists, then create downwards, each 0700.
    QStringList missing;
    QString current = absolute;
    while (!QFileInfo(current).exists() && !QFileInfo(current).isSymLink()) {
        missing.prepend(current);
        const QString parent = QFileInfo(current).absolutePath();
        if (parent == current)
            break;
        current = parent;
    }
    for (const QString& folder : missing) {
        if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return QFileInfo(absolute).isDir();
}

std::expected<void, QString> writeReportingError(const QString& path, const QByteArray& bytes, Access access)
{
    makeFolder(QFileInfo(path).absolutePath());
    const QByteArray target = QFile::encodeName(path);
    QByteArray temp = target + ".XXXXXX";
    // mkostemp makes the file 0600 whatever the umask, so nothing is readable by others even for a moment.
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        const QString reason = errorText(errno);
        qCWarning(lcFiles) << "cannot write" << path << reason;
        return std::unexpected(reason);
    }
    int failure = 0;
    if (access == Access::Exported && ::fchmod(fd, 0666 & ~currentUmask()) != 0)
        failure = errno;
    // A full disk may only show at the flush or the sync; either leaves the old file in place.
    if (!failure && !writeAll(fd, bytes))
        failure = errno;
    if (!failure && ::fsync(fd) != 0)
        failure = errno;
    if (::close(fd) != 0 && !failure)
        failure = errno;
    if (!failure && ::rename(temp.constData(), target.constData()) != 0)
        failure = errno;
    if (failure) {
        ::unlink(temp.constData());
        const QString reason = errorText(failure);
        qCWarning(lcFiles) << "cannot write" << path << reason;
        return std::unexpected(reason);
    }
    // The rename itself lasts only once the folder is synced too.
    const int folder = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return {};
}

bool write(const QString& path, const QByteArray& bytes, Access access)
{
    return writeReportingError(path, bytes, access).has_value();
}

std::expected<void, QString> createExclusive(const QString& path, const QByteArray& bytes)
{
    makeFolder(QFileInfo(path).absolutePath());
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return std::unexpected(errorText(errno));
    int failure = 0;
    if (!writeAll(fd, bytes))
        failure = errno;
    if (!failure && ::fsync(fd) != 0)
        failure = errno;
    if (::close(fd) != 0 && !failure)
        failure = errno;
    if (failure) {
        ::unlink(name.constData());
        qCWarning(lcFiles) << "cannot write" << path << errorText(failure);
        return std::unexpected(errorText(failure));
    }
    return {};
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
