#include "Core/Settings/Settings.h"
#include "Core/Spaces/AppPaths.h"
#include "Core/Time/TimeTracker.h"
#include "Platform/DataFile.h"
#include "Platform/VirtualScheduler.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

// One hour east of UTC, so local midnight and UTC midnight differ.
const QTimeZone kZone(3600);

QDateTime local(int year, int month, int day, int hour, int minute)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute), kZone);
}

class TimeTrackerTest : public test::TempHomeTest {
protected:
    void SetUp() override { Settings::registerDefaults(); }

    std::unique_ptr<TimeTracker> makeTracker() { return std::make_unique<TimeTracker>(scheduler, path(), kZone); }
    QString path() const { return AppPaths::file(QStringLiteral("stats.json")); }
    QByteArray fileBytes() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void writeFile(const QByteArray& bytes) const { ASSERT_TRUE(DataFile::write(path(), bytes)); }

    VirtualScheduler scheduler{local(2026, 1, 5, 9, 0)};
};

} // namespace

TEST_F(TimeTrackerTest, FlushAddsOnlyIntervalsAboveZeroAndUnderSixHours)
{
    struct Case {
        Duration elapsed;
        double recorded; // 0: nothing recorded and no save scheduled
    };
    for (const Case& c : {Case{21599500ms, 21599.5}, Case{21600000ms, 0}, Case{0ms, 0}, Case{1500ms, 1.5}}) {
        SCOPED_TRACE(c.elapsed.count());
        auto tracker = makeTracker();
        tracker->track("A");
        scheduler.advance(c.elapsed);
        tracker->flush();
        tracker->flush(); // a second flush at the same instant adds nothing
        const QString today = tracker->dayKey(scheduler.wallNow());
        if (c.recorded > 0) {
            EXPECT_DOUBLE_EQ(tracker->days().at(today).at("A"), c.recorded);
            EXPECT_TRUE(tracker->isSavePending());
        } else {
            EXPECT_TRUE(tracker->days().empty());
            EXPECT_FALSE(tracker->isSavePending());
        }
        tracker->reset();
        scheduler.advance(10s);
    }
}

TEST_F(TimeTrackerTest, IntervalAcrossMidnightCountsOnTheDayItCloses)
{
    scheduler.advance(std::chrono::minutes(14 * 60 + 50)); // 23:50 local
    auto tracker = makeTracker();
    tracker->track("A");
    scheduler.advance(20min);
    tracker->track("B");
    ASSERT_EQ(tracker->days().size(), 1u);
    EXPECT_DOUBLE_EQ(tracker->days().at("2026-01-06").at("A"), 1200.0);
}

TEST_F(TimeTrackerTest, WithTheSettingOffNothingIsRecordedOrWrittenAndTheClockKeepsRunning)
{
    auto tracker = makeTracker();
    Settings::defaults().set(Settings::Key::timeTracking, false);
    tracker->track("A");
    scheduler.advance(30s);
    tracker->track("B");
    scheduler.advance(10s);
    EXPECT_TRUE(tracker->days().empty());
    EXPECT_FALSE(QFile::exists(path()));

    // On again: the first interval runs from the previous flush.
    scheduler.advance(20s);
    Settings::defaults().set(Settings::Key::timeTracking, true);
    tracker->flush();
    EXPECT_DOUBLE_EQ(tracker->days().begin()->second.at("B"), 30.0);
}

TEST_F(TimeTrackerTest, BurstOfChangesIsWrittenOnceFiveSecondsAfterTheLast)
{
    auto tracker = makeTracker();
    for (const char* id : {"A", "B", "C", "D", "A"}) {
        tracker->track(id);
        scheduler.advance(2s);
    }
    tracker->flush();
    scheduler.advance(4900ms);
    EXPECT_FALSE(QFile::exists(path()));
    scheduler.advance(100ms);
    const auto saved = TimeTracker::decode(fileBytes());
    ASSERT_TRUE(saved);
    EXPECT_EQ(*saved, tracker->days());
    EXPECT_DOUBLE_EQ(saved->begin()->second.at("A"), 4.0);
}

TEST_F(TimeTrackerTest, ResetEmptiesAndSavesAndKeepsTimingTheCurrentSpace)
{
    writeFile(R"({"2026-01-04":{"A":100}})");
    auto tracker = makeTracker();
    ASSERT_EQ(tracker->days().size(), 1u);
    tracker->track("A");
    scheduler.advance(30s);
    tracker->reset();
    EXPECT_TRUE(tracker->days().empty());
    scheduler.advance(5s);
    EXPECT_EQ(fileBytes(), QByteArray("{}"));
    tracker->flush();
    EXPECT_DOUBLE_EQ(tracker->days().at("2026-01-05").at("A"), 5.0);
}

TEST_F(TimeTrackerTest, CsvIsSortedRoundedAndQuoted)
{
    writeFile(R"({"2026-01-05":{"q":59.9,"big":3600},"2026-01-03":{},"2026-01-04":{"a":29,"b":30,"c":90}})");
    auto tracker = makeTracker();
    const auto names = [](const QString& id) {
        if (id == "c")
            return QStringLiteral("Say \"hi\", now");
        return id.toUpper();
    };
    EXPECT_EQ(tracker->csv(names), QStringLiteral("date,space,minutes\n"
                                                  "2026-01-04,\"Say \"\"hi\"\", now\",2\n"
                                                  "2026-01-04,\"B\",1\n"
                                                  "2026-01-04,\"A\",0\n"
                                                  "2026-01-05,\"BIG\",60\n"
                                                  "2026-01-05,\"Q\",1"));
}

TEST_F(TimeTrackerTest, CsvCellsThatASpreadsheetWouldRunAreNeutralised)
{
    writeFile(R"({"2026-01-05":{"a":600,"b":540,"c":480,"d":420,"e":360,"f":300}})");
    auto tracker = makeTracker();
    const std::map<QString, QString> names{{"a", "=HYPERLINK(\"http://x\")"}, {"b", "+1"}, {"c", "-2"},
                                           {"d", "@SUM(A1)"}, {"e", "Mail = inbox"}, {"f", "\t=1"}};
    EXPECT_EQ(tracker->csv([&](const QString& id) { return names.at(id); }),
              QStringLiteral("date,space,minutes\n"
                             "2026-01-05,\"'=HYPERLINK(\"\"http://x\"\")\",10\n"
                             "2026-01-05,\"'+1\",9\n"
                             "2026-01-05,\"'-2\",8\n"
                             "2026-01-05,\"'@SUM(A1)\",7\n"
                             "2026-01-05,\"Mail = inbox\",6\n"
                             "2026-01-05,\"'\t=1\",5"));
}

TEST_F(TimeTrackerTest, ExportWritesUtf8AtomicallyAndReportsFailure)
{
    writeFile(R"({"2026-01-05":{"x":120}})");
    auto tracker = makeTracker();
    const QString target = home.path("Lumivast time.csv");
    ASSERT_TRUE(tracker->exportCSV(target, [](const QString&) { return QStringLiteral("Café"); }).has_value());
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("date,space,minutes\n2026-01-05,\"Caf\xC3\xA9\",2"));

    // A place that cannot be written (its folder is a file): false, and nothing else happens.
    const QString notAFolder = home.path("plain.txt");
    ASSERT_TRUE(DataFile::write(notAFolder, "x"));
    EXPECT_FALSE(tracker->exportCSV(notAFolder + "/out.csv", [](const QString& id) { return id; }));
}

TEST(TimeTrackerDuration, ShortDurationForms)
{
    const std::vector<std::pair<double, QString>> cases{
        {0, "<1m"},       {59, "<1m"},        {60, "1m"},         {3599, "59m"},  {3600, "1h 00m"},
        {3900, "1h 05m"}, {36000, "10h 00m"}, {96000, "26h 40m"}, {-30, "<1m"},
    };
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(TimeTracker::shortDuration(seconds), text) << seconds;
}

TEST_F(TimeTrackerTest, TotalsReachBackAcrossAMonthBoundary)
{
    scheduler.advance(std::chrono::hours(24 * 28)); // 2 February 2026, 09:00 local
    scheduler.advance(std::chrono::hours(24));      // the 3rd
    writeFile(R"({"2026-01-27":{"A":1},"2026-01-28":{"A":2},"2026-01-31":{"A":4,"B":7},)"
              R"("2026-02-01":{"A":8},"2026-02-03":{"A":16},"2026-02-04":{"A":32}})");
    auto tracker = makeTracker();
    const auto week = tracker->totals(7);
    EXPECT_DOUBLE_EQ(week.at("A"), 2 + 4 + 8 + 16);
    EXPECT_DOUBLE_EQ(week.at("B"), 7);
    EXPECT_EQ(tracker->totals(1), (std::map<QString, double>{{"A", 16}}));
    EXPECT_TRUE(tracker->totals(0).empty());
}

TEST_F(TimeTrackerTest, UnreadableRecordIsSetAsideAndStartsEmpty)
{
    for (const QByteArray& bytes : {QByteArray("{not json"), QByteArray(R"({"2026-01-05":{"A":"ten"}})"),
                                    QByteArray(R"({"2026-01-05":[1]})"), QByteArray("[]")}) {
        SCOPED_TRACE(bytes.toStdString());
        QDir(AppPaths::supportDirectory()).removeRecursively();
        writeFile(bytes);
        auto tracker = makeTracker();
        EXPECT_TRUE(tracker->days().empty());
        EXPECT_FALSE(QFile::exists(path()));
        const QStringList aside = QDir(AppPaths::supportDirectory()).entryList({"stats.json.unreadable-*"});
        ASSERT_EQ(aside.size(), 1);
        QFile kept(AppPaths::supportDirectory() + "/" + aside.front());
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), bytes);
    }
    // Seconds that are not finite numbers cannot be decoded either.
    EXPECT_FALSE(TimeTracker::decode(R"({"d":{"A":1e999}})"));
}

TEST(TimeTrackerCoding, RecordRoundTripsThroughTheFileText)
{
    const TimeTracker::Record record{
        {"2026-01-05", {{"plain", 1.5}, {"quote\" back\\slash", 0.1}, {QString("tab\there\nnew\x01"), 21599.999}, {"Café ☕", 1e-3}}},
        {"2026-01-06", {}},
    };
    const QByteArray bytes = TimeTracker::encode(record);
    EXPECT_TRUE(QJsonDocument::fromJson(bytes).isObject());
    EXPECT_EQ(TimeTracker::decode(bytes), record);
    EXPECT_EQ(TimeTracker::encode({}), QByteArray("{}"));
}
