#include "Core/Demo/DemoTour.h"
#include "Platform/VirtualScheduler.h"

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

// Every step as "<ms after the start> <what>".
struct Recorder {
    VirtualScheduler& scheduler;
    Duration start;
    QStringList log;

    void note(const QString& what) { log.append(QString::number((scheduler.now() - start).count()) + " " + what); }
    DemoTour::Steps steps(const QString& tag = {})
    {
        DemoTour::Steps s;
        s.moveOverviewSelection = [this, tag](int dx, int dy) { note(tag + QStringLiteral("move %1,%2").arg(dx).arg(dy)); };
        s.typeIntoOverview = [this, tag](QChar c) { note(tag + "overview " + c); };
        s.clearOverviewSearch = [this, tag] { note(tag + "overview cleared"); };
        s.closeOverview = [this, tag] { note(tag + "overview closed"); };
        s.showFinderOverAllSpaces = [this, tag] { note(tag + "finder shown"); };
        s.typeIntoFinder = [this, tag](QChar c) { note(tag + "finder " + c); };
        s.closeFinder = [this, tag] { note(tag + "finder closed"); };
        return s;
    }
};

} // namespace

TEST(DemoTourTest, EveryStepAtItsTimeFromTheStart)
{
    VirtualScheduler scheduler;
    Recorder recorder{scheduler, scheduler.now(), {}};
    const auto items = DemoTour::schedule(scheduler, recorder.steps());
    EXPECT_EQ(items.size(), 20u); // all scheduled at once
    scheduler.advance(13s);
    EXPECT_EQ(recorder.log, (QStringList{
                                "1750 move 1,0",        "2300 move 1,0",       "2850 move 0,1",      "3400 move -1,0",
                                "3950 move -1,0",       "4910 overview f",     "5070 overview i",    "5230 overview g",
                                "5390 overview m",      "5550 overview a",     "7150 overview cleared", "8350 overview closed",
                                "9150 finder shown",    "9370 finder n",       "9590 finder o",      "9810 finder r",
                                "10030 finder t",       "10250 finder h",      "12250 finder closed",
                            }));
}

TEST(DemoTourTest, ASecondTourOverlapsTheFirst)
{
    VirtualScheduler scheduler;
    Recorder recorder{scheduler, scheduler.now(), {}};
    const auto first = DemoTour::schedule(scheduler, recorder.steps("A "));
    scheduler.advance(2s);
    const auto second = DemoTour::schedule(scheduler, recorder.steps("B "));
    scheduler.advance(2s);
    EXPECT_EQ(recorder.log, (QStringList{"1750 A move 1,0", "2300 A move 1,0", "2850 A move 0,1", "3400 A move -1,0",
                                         "3750 B move 1,0", "3950 A move -1,0"}));
}
