#include "Core/Time/TimeTracker.h"

#include "Core/Settings/Settings.h"
#include "Core/Spaces/SpaceModel.h"
#include "Platform/DataFile.h"
#include "Platform/Log.h"

#include <QJsonDocument>
#include <QLocale>
#include <QJsonObject>
#include <QPointer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace lumivast {

TimeTracker::TimeTracker(Scheduler& scheduler, QString filePath, QTimeZone zone, QObject* parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_filePath(std::move(filePath))
    , m_zone(std::move(zone))
    , m_since(scheduler.wallNow())
{
    load();
}

void TimeTracker::load()
{
    const DataFile::ReadResult read = DataFile::read(m_filePath);
    if (read.status == DataFile::ReadStatus::Missing)
        return;
    std::optional<Record> record;
    if (read.status == DataFile::ReadStatus::Read)
        record = decode(read.bytes);
    if (!record) {
        // Kept beside, so the first save cannot destroy what was recorded.
        DataFile::setAside(m_filePath);
        return;
    }
    m_days = std::move(*record);
    emit changed();
}

QString TimeTracker::dayKey(const QDateTime& moment) const
{
    return moment.toTimeZone(m_zone).toString(QStringLiteral("yyyy-MM-dd"));
}

void TimeTracker::flush()
{
    const QDateTime now = m_scheduler.wallNow();
    if (!m_currentID || !Settings::defaults().boolValue(Settings::Key::timeTracking)) {
        m_since = now;
        return;
    }
    const double elapsed = double(m_since.msecsTo(now)) / 1000.0;
    m_since = now;
    if (!(elapsed > 0) || elapsed >= kLongestIntervalSeconds)
        return;
    m_days[dayKey(now)][*m_currentID] += elapsed;
    emit changed();
    scheduleSave();
}

void TimeTracker::track(const QString& spaceID)
{
    flush();
    m_currentID = spaceID;
    m_since = m_scheduler.wallNow();
}

void TimeTracker::pause()
{
    flush();
    m_currentID.reset();
}

void TimeTracker::resume(const SpaceSnapshot& snapshot)
{
    if (const Space* current = snapshot.currentSpace())
        track(current->id);
}

void TimeTracker::reset()
{
    m_days.clear();
    m_since = m_scheduler.wallNow();
    emit changed();
    scheduleSave();
}

std::map<QString, double> TimeTracker::totals(int lastDays)
{
    flush();
    std::map<QString, double> sums;
    const QDateTime now = m_scheduler.wallNow().toTimeZone(m_zone);
    for (int i = 0; i < lastDays; ++i) {
        const QDateTime day = now.addDays(-i);
        if (!day.isValid())
            continue;
        const auto it = m_days.find(dayKey(day));
        if (it == m_days.end())
            continue;
        for (const auto& [id, seconds] : it->second)
            sums[id] += seconds;
    }
    return sums;
}

QString TimeTracker::csv(const std::function<QString(const QString&)>& names)
{
    flush();
    QStringList lines{QStringLiteral("date,space,minutes")};
    for (const auto& [day, spaces] : m_days) {
        std::vector<std::pair<QString, double>> rows(spaces.begin(), spaces.end());
        std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
        for (const auto& [id, seconds] : rows) {
            QString name = names ? names(id) : id;
            // A spreadsheet would run a cell that starts like a formula; names can come from a link.
            static const QString formulaStarts = QStringLiteral("=+-@\t\r");
            if (!name.isEmpty() && formulaStarts.contains(name.front()))
                name.prepend(QLatin1Char('\''));
            name.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            const long long minutes = std::llround(seconds / 60.0); // halves away from zero
            lines.append(day + QStringLiteral(",\"") + name + QStringLiteral("\",") + QString::number(minutes));
        }
    }
    return lines.join(QLatin1Char('\n'));
}

std::expected<void, QString> TimeTracker::exportCSV(const QString& path, const std::function<QString(const QString&)>& names)
{
    // Atomic, so a failed write leaves an existing file of that name whole.
    auto written = DataFile::writeReportingError(path, csv(names).toUtf8(), DataFile::Access::Exported);
    if (!written)
        qCWarning(lcFiles) << "could not export the time record to" << path;
    return written;
}

QString TimeTracker::shortDuration(double seconds)
{
    const double whole = std::trunc(seconds / 60.0);
    const long long m = std::isfinite(whole) ? static_cast<long long>(whole) : 0;
    if (m < 1)
        return QStringLiteral("<1m");
    if (m < 60)
        return QString::number(m) + QLatin1Char('m');
    return QStringLiteral("%1h %2m").arg(m / 60).arg(m % 60, 2, 10, QLatin1Char('0'));
}

void TimeTracker::scheduleSave()
{
    if (m_saveWork.isPending())
        return m_saveWork.rearm(kSaveDelay);
    QPointer<TimeTracker> self(this);
    m_saveWork = m_scheduler.after(kSaveDelay, [self] {
        if (self)
            self->saveNow();
    });
}

void TimeTracker::saveNow()
{
    m_saveWork.cancel();
    if (!DataFile::write(m_filePath, encode(m_days)))
        qCWarning(lcFiles) << "could not save the time record";
}

namespace {

// A JSON string literal; written by hand because a year of records is about
// 100,000 members and the generic document builder doubles the cost of a save.
void appendJsonString(QByteArray& out, const QString& text)
{
    out.append('"');
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '"': out.append("\\\""); break;
        case '\\': out.append("\\\\"); break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[7];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
                out.append(escaped);
            } else {
                out.append(c);
            }
        }
    }
    out.append('"');
}

} // namespace

QByteArray TimeTracker::encode(const Record& record)
{
    QByteArray out;
    out.reserve(qsizetype(record.size()) * 64 * 32);
    out.append('{');
    bool firstDay = true;
    for (const auto& [day, spaces] : record) {
        if (!firstDay)
            out.append(',');
        firstDay = false;
        appendJsonString(out, day);
        out.append(":{");
        bool firstSpace = true;
        for (const auto& [id, seconds] : spaces) {
            if (!firstSpace)
                out.append(',');
            firstSpace = false;
            appendJsonString(out, id);
            out.append(':');
            out.append(QByteArray::number(seconds, 'g', QLocale::FloatingPointShortest));
        }
        out.append('}');
    }
    out.append('}');
    return out;
}

std::optional<TimeTracker::Record> TimeTracker::decode(const QByteArray& bytes)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    Record record;
    const QJsonObject root = doc.object();
    for (auto day = root.begin(); day != root.end(); ++day) {
        if (!day.value().isObject())
            return std::nullopt;
        std::map<QString, double>& spaces = record[day.key()];
        const QJsonObject entry = day.value().toObject();
        for (auto space = entry.begin(); space != entry.end(); ++space) {
            if (!space.value().isDouble() || !std::isfinite(space.value().toDouble()))
                return std::nullopt;
            spaces[space.key()] = space.value().toDouble();
        }
    }
    return record;
}

} // namespace lumivast
