#pragma once

#include <QByteArray>
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

// No data or import file is anywhere near this; a larger one is not read
// (Failed), so a huge file cannot exhaust memory at start.
inline constexpr qsizetype kMaxReadBytes = 64 * 1024 * 1024;

// The whole file, up to kMaxReadBytes.
ReadResult read(const QString& path);

// Who may read a file the program writes: its own files are the user's alone
// (0600, whatever the umask); a file the user exports to a place of their
// choosing keeps the mode the umask gives.
enum class Access { Private, Exported };

// The one way every file is written: to a new file beside `path`, every write,
// the flush and fsync checked, then renamed over it. On any failure the old
// file stays whole, nothing is left behind, and the reason is returned
// ("No space left on device"). Missing folders are created 0700.
std::expected<void, QString> writeReportingError(const QString& path, const QByteArray& bytes,
                                                 Access access = Access::Private);
// The same where the reason is only logged.
bool write(const QString& path, const QByteArray& bytes, Access access = Access::Private);

// Creates `path` and any missing folders above it with mode 0700; folders that
// exist already are left as they are. False when it is not a folder afterwards.
bool makeFolder(const QString& path);

// Creates a new file (never following a link, never reusing an existing name)
// with mode 0600 and writes it whole; a partial file is removed again.
std::expected<void, QString> createExclusive(const QString& path, const QByteArray& bytes);

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
