#pragma once

#include "Platform/Scheduler.h"

#include <QObject>
#include <QString>
#include <QTimeZone>

#include <expected>
#include <functional>
#include <map>
#include <optional>

namespace lumivast {

struct SpaceSnapshot;

// Seconds spent on each Space per calendar day, kept in stats.json. At most
// one Space is timed at a time; every interval is credited whole to the day
// on which it closes, and one of six hours or more is dropped whole. The
// setting "timeTracking" is read at each flush and nowhere else. The record is
// saved 5 s after the last change; quitting writes it at once (saveNow).
// Main thread only.
class TimeTracker final : public QObject {
    Q_OBJECT
public:
    // Day key ("yyyy-MM-dd") -> Space id -> seconds.
    using Record = std::map<QString, std::map<QString, double>>;

    static constexpr Duration kSaveDelay = 5s;
    // An interval this long or longer is dropped: nobody sat on one Space that long without a change or a sleep.
    static constexpr double kLongestIntervalSeconds = 21600;

    // Reads `filePath` (normally AppPaths::file("stats.json")); a file that
    // exists but cannot be read or decoded is set aside and the record starts
    // empty. Day keys are made in `zone`.
    TimeTracker(Scheduler& scheduler, QString filePath, QTimeZone zone = QTimeZone::systemTimeZone(),
                QObject* parent = nullptr);

    const Record& days() const { return m_days; }
    const std::optional<QString>& currentID() const { return m_currentID; }

    // Closes the running interval into the record.
    void flush();
    // Flushes, then times `spaceID` from now.
    void track(const QString& spaceID);
    // Flushes, then times nothing.
    void pause();
    // After a pause: times the snapshot's current Space from now, if it shows one.
    void resume(const SpaceSnapshot& snapshot);
    // Empties the record and saves it; the current Space is timed on from now.
    void reset();
    // Per Space, the seconds of today and the `lastDays` - 1 days before (flushes first).
    std::map<QString, double> totals(int lastDays);
    // The whole record as CSV, each Space named by `names` (flushes first).
    QString csv(const std::function<QString(const QString&)>& names);
    // Writes csv(names) to `path` as UTF-8 without a byte-order mark, atomically;
    // a failure is logged and its reason returned.
    std::expected<void, QString> exportCSV(const QString& path, const std::function<QString(const QString&)>& names);

    // Writes the record now, replacing a pending save (at quit).
    void saveNow();
    bool isSavePending() const { return m_saveWork.isPending(); }

    QString dayKey(const QDateTime& moment) const;
    // "<1m", "5m", "1h 05m".
    static QString shortDuration(double seconds);

    // The file's coding: a JSON object of day keys, each an object of Space ids to seconds.
    static QByteArray encode(const Record& record);
    // Nothing when the text is not that shape or a value is not a finite number.
    static std::optional<Record> decode(const QByteArray& bytes);

signals:
    // After every change of the record.
    void changed();

private:
    void load();
    void scheduleSave();

    Scheduler& m_scheduler;
    const QString m_filePath;
    const QTimeZone m_zone;
    Record m_days;
    std::optional<QString> m_currentID;
    QDateTime m_since;
    WorkItem m_saveWork;
};

} // namespace lumivast
