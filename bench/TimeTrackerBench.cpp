#include "Core/Settings/Settings.h"
#include "Core/Time/TimeTracker.h"
#include "Platform/DataFile.h"
#include "Platform/UserDefaults.h"
#include "Platform/VirtualScheduler.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QUuid>

#include <benchmark/benchmark.h>

using namespace lumivast;

namespace {

// A year of records: 365 days of 274 Spaces (about 100,000 entries, about 5 MB of JSON).
struct YearOfRecords {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("stats.json"));
    UserDefaults defaults{QStringLiteral("Lumivast"), dir.filePath(QStringLiteral("defaults.json"))};
    TimeTracker::Record record;
    QStringList ids;

    YearOfRecords()
    {
        UserDefaults::setStandard(&defaults);
        Settings::registerDefaults();
        for (int i = 0; i < 274; ++i)
            ids.append(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
        const QDate last(2026, 1, 5);
        for (int d = 0; d < 365; ++d) {
            auto& day = record[last.addDays(-d).toString(QStringLiteral("yyyy-MM-dd"))];
            for (int i = 0; i < ids.size(); ++i)
                day[ids[i]] = 12.345678 * (i + 1) + d;
        }
        DataFile::write(path, TimeTracker::encode(record));
    }
};

YearOfRecords& year()
{
    static YearOfRecords y;
    return y;
}

void BM_TimeRecordLoadYear(benchmark::State& state)
{
    YearOfRecords& y = year();
    VirtualScheduler scheduler;
    for (auto _ : state) {
        TimeTracker tracker(scheduler, y.path, QTimeZone::utc());
        if (tracker.days().size() != 365)
            state.SkipWithError("stats.json did not load");
        benchmark::DoNotOptimize(tracker.days());
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(y.path).size());
}
BENCHMARK(BM_TimeRecordLoadYear)->Unit(benchmark::kMillisecond);

void BM_TimeRecordSaveYear(benchmark::State& state)
{
    YearOfRecords& y = year();
    VirtualScheduler scheduler;
    const QString path = y.dir.filePath(QStringLiteral("saved.json"));
    DataFile::write(path, TimeTracker::encode(y.record));
    TimeTracker tracker(scheduler, path, QTimeZone::utc());
    for (auto _ : state)
        tracker.saveNow();
}
BENCHMARK(BM_TimeRecordSaveYear)->Unit(benchmark::kMillisecond);

void BM_TimeTotals30Days(benchmark::State& state)
{
    YearOfRecords& y = year();
    VirtualScheduler scheduler(QDateTime(QDate(2026, 1, 5), QTime(12, 0), QTimeZone::utc()));
    TimeTracker tracker(scheduler, y.path, QTimeZone::utc());
    for (auto _ : state) {
        const auto totals = tracker.totals(30);
        if (totals.size() != 274)
            state.SkipWithError("wrong totals");
        benchmark::DoNotOptimize(totals);
    }
}
BENCHMARK(BM_TimeTotals30Days)->Unit(benchmark::kMicrosecond);

void BM_TimeCsvYear(benchmark::State& state)
{
    YearOfRecords& y = year();
    VirtualScheduler scheduler;
    TimeTracker tracker(scheduler, y.path, QTimeZone::utc());
    const auto names = [](const QString& id) { return QStringLiteral("Space ") + id.left(4); };
    for (auto _ : state)
        benchmark::DoNotOptimize(tracker.csv(names));
}
BENCHMARK(BM_TimeCsvYear)->Unit(benchmark::kMillisecond);

void BM_TimeTrackOneChange(benchmark::State& state)
{
    YearOfRecords& y = year();
    VirtualScheduler scheduler(QDateTime(QDate(2026, 1, 5), QTime(12, 0), QTimeZone::utc()));
    TimeTracker tracker(scheduler, y.path, QTimeZone::utc());
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        scheduler.advance(1s); // each change closes a one-second interval
        state.ResumeTiming();
        tracker.track(y.ids[i++ % y.ids.size()]);
    }
}
BENCHMARK(BM_TimeTrackOneChange)->Unit(benchmark::kMicrosecond);

} // namespace
