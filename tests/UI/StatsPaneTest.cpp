#include "Core/Demo/DemoMode.h"
#include "UI/MenuBar/BrandIcon.h"
#include "UI/Settings/StatsPane.h"
#include "UI/Settings/TimeRowsView.h"
#include "tests/UI/PaneTesting.h"
#include "tests/UI/SettingsWorld.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

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
    // One column of what the rows view shows, top to bottom.
    static QStringList column(const StatsPane* stats, int role)
    {
        QStringList list;
        const QAbstractItemModel* model = stats->rowsView()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            list.append(model->index(row, 0).data(role).toString());
        return list;
    }
    static QStringList names(const StatsPane* stats) { return column(stats, Qt::DisplayRole); }
    // A turn of the mouse wheel as the application delivers it: to the widget
    // under the point, then to each parent in turn until one takes it.
    static void turnWheelDown(QWidget* root, QPoint at)
    {
        for (QWidget* target = root->childAt(at) ? root->childAt(at) : root; target; target = target->parentWidget()) {
            const QPoint local = target->mapFrom(root, at);
            QWheelEvent wheel(local, target->mapToGlobal(local), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            if ((QApplication::sendEvent(target, &wheel) && wheel.isAccepted()) || target == root)
                return;
        }
    }
    // Lays the window out as its first frame would.
    static void settle()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::processEvents();
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
    EXPECT_EQ(column(stats, TimeRowsModel::durationRole), (QStringList{"30m", "10m", "5m", "2m", "1m"}));
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(stats->rowsView());
    ASSERT_NE(list, nullptr);
    ASSERT_NE(list->child(0), nullptr);
    EXPECT_EQ(list->child(0)->text(QAccessible::Name), "Work, 30m");
    EXPECT_FALSE(test::shown(stats->emptyText(), stats));
    settle();
    keep(window().grab().toImage(), QStringLiteral("time-short"));

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
    // The current Space is timed on from the reset, and listed at once: it is all there is.
    EXPECT_EQ(names(stats), QStringList{"Desktop 1"});
    EXPECT_EQ(column(stats, TimeRowsModel::durationRole), QStringList{"<1m"});
    EXPECT_EQ(stats->barWidths(), std::vector<double>{4});

    Settings::defaults().set(K::timeTracking, false);
    stats->resetButton()->click();
    EXPECT_TRUE(stats->rows().empty());
    EXPECT_TRUE(test::shown(stats->emptyText(), stats));
    EXPECT_EQ(stats->emptyText()->text(), "No time recorded yet.");
    EXPECT_FALSE(test::shown(stats->totalValue(), stats));
}

// The bars are painted as wide as barWidths() says, from the leading edge of
// their area, in both directions and after the window changed its width.
TEST_F(StatsPaneTest, BarsArePaintedAtTheirWidthsFromTheLeadingEdge)
{
    spend({{space(2).id, 1800}, {space(1).id, 600}, {space(3).id, 120}, {"gone-1", 30}});
    StatsPane* stats = open();
    settle();
    const int width = window().width();
    for (const auto& [direction, extra] : {std::pair{Qt::LeftToRight, 0}, std::pair{Qt::LeftToRight, 240},
                                           std::pair{Qt::RightToLeft, 240}, std::pair{Qt::RightToLeft, 0}}) {
        SCOPED_TRACE(testing::Message() << (direction == Qt::LeftToRight ? "left to right, " : "right to left, ") << extra);
        stats->setLayoutDirection(direction);
        window().resize(width + extra, window().height());
        settle();
        TimeRowsView* view = stats->rowsView();
        const QImage image = view->grab().toImage();
        keep(image, QStringLiteral("time-bars-%1-%2").arg(direction == Qt::LeftToRight ? "ltr" : "rtl").arg(extra));
        const int area = int(TimeRows::kBarAreaWidth);
        // The bar area sits just before the durations' column, 8 pixels apart.
        const int trailing = TimeRowsView::kDurationWidth + 8;
        const int areaLeft = direction == Qt::LeftToRight ? view->width() - trailing - area : trailing;
        const std::vector<double> widths = stats->barWidths();
        ASSERT_EQ(widths.size(), 4u);
        for (std::size_t row = 0; row < widths.size(); ++row) {
            SCOPED_TRACE(row);
            const QRect item = view->visualRect(view->model()->index(int(row), 0));
            const int y = item.top() + view->lineHeight() / 2;
            // Between the name and the bar area: background only.
            const QColor background = image.pixelColor(direction == Qt::LeftToRight ? areaLeft - 4 : areaLeft + area + 4, y);
            int first = -1;
            int last = -1;
            for (int x = areaLeft; x < areaLeft + area; ++x) {
                const QColor c = image.pixelColor(x, y);
                if (std::abs(c.red() - background.red()) + std::abs(c.green() - background.green())
                        + std::abs(c.blue() - background.blue()) > 24) {
                    first = first < 0 ? x : first;
                    last = x;
                }
            }
            ASSERT_GE(first, 0);
            EXPECT_NEAR(last - first + 1, widths[row], 1.5);
            if (direction == Qt::LeftToRight)
                EXPECT_LE(first, areaLeft + 1);
            else
                EXPECT_GE(last, areaLeft + area - 2);
        }
    }
}

// A month of many Spaces runs past the window: the pane scrolls, the wheel over
// the rows scrolls it too, and the total is reached at the bottom.
TEST_F(StatsPaneTest, ALongRecordScrollsDownToItsTotal)
{
    std::vector<std::pair<QString, int>> spans{{space(1).id, 7200}, {space(2).id, 5400}, {space(3).id, 2400}, {space(7).id, 900}};
    for (int i = 1; i <= 60; ++i) {
        const QString id = QStringLiteral("gone-%1").arg(i);
        store->setName(i == 5 ? QStringLiteral("A Space with a name far too long to fit beside its bar in the row") : QStringLiteral("Project %1").arg(i), id);
        spans.push_back({id, 60 * (61 - i)});
    }
    spend(spans);
    StatsPane* stats = open();
    stats->periodButton(2)->click(); // more than a day's worth
    settle();
    ASSERT_EQ(stats->rows().size(), 64u);
    keep(window().grab().toImage(), QStringLiteral("time-long"));
    keep(stats->content()->grab().toImage(), QStringLiteral("time-long-whole"));

    // A name too long for its row shortens, whole in its tool tip; nothing reaches past the pane's right edge.
    EXPECT_LE(stats->content()->width(), stats->viewport()->width());
    TimeRowsView* view = stats->rowsView();
    const auto toolTipAt = [view](int row) {
        const QPoint at = view->visualRect(view->model()->index(row, 0)).topLeft() + QPoint(40, view->lineHeight() / 2);
        QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
        QApplication::sendEvent(view->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(toolTipAt(7), QString());
    EXPECT_EQ(toolTipAt(6), "A Space with a name far too long to fit beside its bar in the row");
    QScrollBar* scroll = stats->verticalScrollBar();
    ASSERT_GT(scroll->maximum(), 0);
    ASSERT_EQ(scroll->value(), 0);
    QPushButton* today = stats->periodButton(0);
    turnWheelDown(stats->viewport(), today->mapTo(stats->viewport(), QPoint(today->width() / 2, today->height() + 24)));
    EXPECT_GT(scroll->value(), 0);

    scroll->setValue(scroll->maximum());
    const QRect total(stats->totalValue()->mapTo(stats->viewport(), QPoint()), stats->totalValue()->size());
    EXPECT_TRUE(stats->viewport()->rect().contains(total));
    EXPECT_EQ(stats->totalValue()->text(), "34h 55m");
    keep(window().grab().toImage(), QStringLiteral("time-long-bottom"));
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

    // A failed write (no room for the temporary name beside it) leaves the file already there whole, and says why.
    const QString earlier = home.path(QString(251, QLatin1Char('t')) + ".csv");
    {
        QFile file(earlier);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("kept");
    }
    panels.saveAnswers.push_back(earlier);
    stats->exportButton()->click();
    EXPECT_EQ(read(earlier), "kept");
    EXPECT_EQ(stats->outcome(), "Export failed: File name too long");

    // The next export that works clears it.
    panels.saveAnswers.push_back(target);
    stats->exportButton()->click();
    EXPECT_EQ(stats->outcome(), std::nullopt);
}

} // namespace
