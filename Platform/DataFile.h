#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QJsonDocument>
#include <QString>

#include <expected>
#include <functional>
#include <optional>
#include <vector>

namespace lumivast::DataFile {

// What reading a data file found.
enum class ReadStatus { Missing, Read, Failed };

struct ReadResult {
    ReadStatus status = ReadStatus::Missing;
    QByteArray bytes;
};

ReadResult read(const QString& path);

// Writes the whole file atomically. `permissions` applies from the first byte
// (secrets are never readable by others, not even briefly).
bool write(const QString& path, const QByteArray& bytes,
           std::optional<QFileDevice::Permissions> permissions = std::nullopt);

// The same without permissions, telling why it failed ("Permission denied");
// an existing file at `path` stays whole when it does.
std::expected<void, QString> writeReportingError(const QString& path, const QByteArray& bytes);

// Moves a file that exists but cannot be decoded out of the way
// (`name.unreadable-<time>`), so that a later save does not destroy what the
// user made. Returns the new path, or an empty string when nothing was moved.
QString setAside(const QString& path);

// A data file that could not be read, and where the unreadable copy went.
struct SetAsideFile {
    QString path;
    QString keptAs;
};
// Every file set aside in this process, oldest first (the diagnostics report lists them).
std::vector<SetAsideFile> setAsideFiles();
// Those not handed out by an earlier call, so the user is told of each once.
std::vector<SetAsideFile> takeUnreportedSetAsideFiles();
// Told of each file as it is set aside, on the thread that set it aside.
void setSetAsideObserver(std::function<void(const SetAsideFile&)> observer);
// A fresh process's state, for tests.
void forgetSetAsideFiles();

// Reads a JSON document; a file that exists but cannot be read or is not JSON
// is set aside and counts as missing. `accept` can reject a well-formed document of the wrong shape.
std::optional<QJsonDocument> readJson(const QString& path, bool (*accept)(const QJsonDocument&) = nullptr);

} // namespace lumivast::DataFile
