#include "Core/Demo/DemoMode.h"
#include "UI/MenuBar/BrandIcon.h"
#include "UI/Settings/StatsPane.h"
#include "tests/UI/PaneTesting.h"
#include "tests/UI/SettingsWorld.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace lumivast;
namespace K = Settings::Key;

namespace {

class StatsPaneTest : public test::SettingsWorldTest {
protected:
    StatsPane* open()
    {
        controller->show(SettingsTab::stats);
        return pane<StatsPane>();
    }
    // Times each Space in turn for the given seconds, on the test's clock.
    void spend(const std::vector<std::pair<QString, int>>& spans)
    {
        for (const auto& [id, seconds] : spans) {
            tracker->track(id);
            scheduler.advance(std::chrono::seconds(seconds));
        }
        tracker->pause();
    }
    static QStringList names(const StatsPane* stats)
    {
        QStringList list;
        for (const TimeRow& row : stats->rows())
            list.append(row.name);
        return list;
    }
    QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST(TimeRowsTest, BarsAreTheirShareOf140WithAFloorOf4)
{
    struct Case {
        double seconds, total, width;
    };
    for (const Case& c : {Case{100, 100, 140}, Case{50, 100, 70}, Case{1, 100, 4}, Case{2.8, 100, 4}, Case{3, 100, 4.2},
                          Case{0.4, 0.4, 56}, Case{0, 0, 4}, Case{2, 3, 140.0 * 2 / 3}}) {
        SCOPED_TRACE(testing::Message() << c.seconds << " of " << c.total);
        EXPECT_DOUBLE_EQ(TimeRows::barWidth(c.seconds, c.total), c.width);
    }
}

TEST_F(StatsPaneTest, RowsAreLongestFirstWithNamesColoursAndBarsAndReloadOnlyWhenAsked)
{
    store->setColor("#4F7BF7", space(2).id);
    store->setColor("not a colour", space(3).id);
    store->setName("Old Mail", "gone-1");
    spend({{space(1).id, 600}, {space(2).id, 1800}, {space(3).id, 120}, {"gone-1", 300}, {"gone-2", 60}});

    StatsPane* stats = open();
    ASSERT_NE(stats, nullptr);
    EXPECT_EQ(names(stats), (QStringList{"Work", "Desktop 1", "Old Mail", "Desktop 3", "Removed Space"}));
    const std::vector<TimeRow>& rows = stats->rows();
    EXPECT_EQ(rows[0].color, QColor("#4F7BF7"));
    EXPECT_EQ(rows[1].color, BrandIcon::autoColor(space(1)));
    EXPECT_EQ(rows[2].color, QColor(0x8E, 0x8E, 0x93)); // gone: grey
    EXPECT_EQ(rows[3].color, BrandIcon::autoColor(space(3))); // an unreadable colour falls back
    EXPECT_EQ(rows[4].color, QColor(0x8E, 0x8E, 0x93));
    const std::vector<double> bars = stats->barWidths();
    ASSERT_EQ(bars.size(), 5u);
    EXPECT_DOUBLE_EQ(bars[0], 140.0 * 1800 / 2880);
    EXPECT_DOUBLE_EQ(bars[4], 4);
    EXPECT_EQ(stats->totalValue()->text(), "48m");
    EXPECT_TRUE(test::findByText<QLabel>(stats, "30m"));
    EXPECT_FALSE(test::shown(stats->emptyText(), stats));

    // Switching Spaces does not change what shows; a period change reloads.
    spend({{space(3).id, 3600}});
    EXPECT_EQ(names(stats).front(), "Work");
    stats->periodButton(1)->click();
    EXPECT_EQ(stats->range(), 7);
    EXPECT_EQ(names(stats).front(), "Desktop 3");
    EXPECT_TRUE(stats->periodButton(1)->isChecked());
}

TEST_F(StatsPaneTest, AfterResetOnlyTheCurrentSpaceShowsAndWithRecordingOffNothing)
{
    spend({{space(2).id, 900}});
    tracker->track(space(1).id);
    scheduler.advance(20s);
    StatsPane* stats = open();
    EXPECT_EQ(names(stats), (QStringList{"Work", "Desktop 1"}));

    stats->resetButton()->click(); // no question asked
    EXPECT_TRUE(tracker->days().empty());
    // The current Space is timed on from the reset: a moment later it is all there is.
    scheduler.advance(10ms);
    stats->periodButton(2)->click();
    EXPECT_EQ(names(stats), QStringList{"Desktop 1"});
    EXPECT_TRUE(test::findByText<QLabel>(stats, "<1m"));
    EXPECT_EQ(stats->barWidths(), std::vector<double>{4});

    Settings::defaults().set(K::timeTracking, false);
    stats->resetButton()->click();
    EXPECT_TRUE(stats->rows().empty());
    EXPECT_TRUE(test::shown(stats->emptyText(), stats));
    EXPECT_EQ(stats->emptyText()->text(), "No time recorded yet.");
    EXPECT_FALSE(test::shown(stats->totalValue(), stats));
}

TEST_F(StatsPaneTest, DemoSpacesShowTheSamplesNamesAndColours)
{
    Settings::defaults().set(K::demoMode, true);
    DemoMode::resetForTesting();
    spend({{space(1).id, 60}, {space(3).id, 30}});
    StatsPane* stats = open();
    ASSERT_EQ(stats->rows().size(), 2u);
    const DemoMode::Sample* first = DemoMode::sample(space(1));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(stats->rows()[0].name, first->name);
    EXPECT_EQ(stats->rows()[0].color, QColor(first->colorHex));
    EXPECT_EQ(stats->rows()[1].color, QColor(DemoMode::sample(space(3))->colorHex));
}

TEST_F(StatsPaneTest, ExportWritesTheTrackersCSVWholeOrNotAtAll)
{
    store->setName("Café, \"Bar\"", space(3).id);
    spend({{space(3).id, 600}, {"gone-2", 120}});
    StatsPane* stats = open();

    // Cancelled: nothing written.
    stats->exportButton()->click();
    ASSERT_EQ(panels.saved.size(), 1u);
    EXPECT_EQ(panels.saved.back().suggestedName, "Lumivast time.csv");
    EXPECT_EQ(panels.saved.back().allowedKinds, std::vector<FileKind>{FileKind::commaSeparatedText});
    EXPECT_EQ(QDir(home.path()).entryList(QStringList{"*.csv"}, QDir::Files), QStringList());

    const QString target = home.path("Lumivast time.csv");
    panels.saveAnswers.push_back(target);
    stats->exportButton()->click();
    const QByteArray written = read(target);
    const SpaceSnapshot snapshot = watcher->snapshot();
    EXPECT_EQ(written, tracker->csv([&](const QString& id) { return TimeRows::name(id, snapshot, *store); }).toUtf8());
    EXPECT_TRUE(written.startsWith("date,space,minutes\n")); // no byte-order mark
    EXPECT_TRUE(written.contains("\"Caf\xC3\xA9, \"\"Bar\"\"\",10"));
    EXPECT_TRUE(written.contains("\"Removed Space\",2"));
    EXPECT_EQ(stats->outcome(), std::nullopt);

    // A failed write leaves the file already there whole, and the pane says nothing.
    const QString earlier = home.path(QString(251, QLatin1Char('t')) + ".csv");
    {
        QFile file(earlier);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("kept");
    }
    panels.saveAnswers.push_back(earlier);
    stats->exportButton()->click();
    EXPECT_EQ(read(earlier), "kept");
    EXPECT_EQ(stats->outcome(), std::nullopt);
}

} // namespace
