#include "Core/Gestures/TouchGestures.h"
#include "Core/Settings/Settings.h"

#include "tests/support/SimWorldTest.h"

#include <thread>

using namespace lumivast;
using lumivast::test::SimWorldTest;

namespace {

struct Frame {
    int fingers;
    double x;
    double t;
};

class TouchGesturesTest : public SimWorldTest {
protected:
    TouchGesturesTest()
    {
        Settings::registerDefaults();
        Settings::defaults().set(Settings::Key::fourFingerTap, true);
    }

    // Sends the frames from a thread of their own, as the trackpad does, then lets posted work run.
    void send(const std::vector<Frame>& frames)
    {
        std::thread pad([&] {
            for (const Frame& f : frames)
                world->sendContactFrame(0, std::vector<QPointF>(std::size_t(std::max(0, f.fingers)), QPointF(f.x, 0.5)), f.t);
        });
        pad.join();
        scheduler.runPending();
    }
};

} // namespace

TEST_F(TouchGesturesTest, RecognisesExactlyAShortStillTapOfFourFingers)
{
    struct Case {
        const char* what;
        std::vector<Frame> frames;
        int taps;
    };
    const std::vector<Case> cases = {
        {"four down and up", {{4, 0.5, 1.0}, {4, 0.5, 1.1}, {0, 0, 1.2}}, 1},
        {"three", {{3, 0.5, 1.0}, {0, 0, 1.1}}, 0},
        {"five", {{5, 0.5, 1.0}, {0, 0, 1.1}}, 0},
        {"a fifth added", {{4, 0.5, 1.0}, {5, 0.5, 1.05}, {0, 0, 1.1}}, 0},
        {"one by one, drift restarting at each", {{1, 0.1, 1.0}, {2, 0.3, 1.05}, {3, 0.5, 1.1}, {4, 0.6, 1.15}, {0, 0, 1.25}}, 1},
        {"one by one, too slow from the first", {{1, 0.1, 1.0}, {4, 0.6, 1.2}, {0, 0, 1.3}}, 0},
        {"a small drift keeps it", {{4, 0.5, 1.0}, {4, 0.535, 1.1}, {0, 0, 1.2}}, 1},
        {"a drift above 0.04 cancels", {{4, 0.5, 1.0}, {4, 0.545, 1.1}, {0, 0, 1.2}}, 0},
        {"fingers lifting one by one", {{4, 0.5, 1.0}, {2, 0.5, 1.1}, {0, 0, 1.2}}, 1},
    };
    TouchGestures touch(scheduler);
    int taps = 0;
    std::thread::id tapThread;
    touch.onFourFingerTap = [&] {
        ++taps;
        tapThread = std::this_thread::get_id();
    };
    touch.refresh();
    ASSERT_TRUE(touch.isStarted());
    for (const Case& c : cases) {
        taps = 0;
        send(c.frames);
        EXPECT_EQ(taps, c.taps) << c.what;
    }
    send({{4, 0.5, 5.0}, {0, 0, 5.1}});
    EXPECT_EQ(tapThread, std::this_thread::get_id()); // handed to the main thread
}

TEST_F(TouchGesturesTest, OffIgnoresFramesAndKeepsTheTouchInProgress)
{
    TouchGestures touch(scheduler);
    int taps = 0;
    touch.onFourFingerTap = [&] { ++taps; };
    touch.refresh();
    send({{4, 0.5, 1.0}});
    Settings::defaults().set(Settings::Key::fourFingerTap, false);
    touch.refresh();
    send({{0, 0, 1.1}}); // ignored: the touch is neither ended nor reset
    EXPECT_EQ(taps, 0);
    Settings::defaults().set(Settings::Key::fourFingerTap, true);
    touch.refresh();
    send({{0, 0, 1.2}});
    EXPECT_EQ(taps, 1);
}

TEST_F(TouchGesturesTest, MonitorStartsOnceWhenTurnedOnAndRetriesAfterAFailure)
{
    Settings::defaults().set(Settings::Key::fourFingerTap, false);
    world->trackpadCount = 0;
    TouchGestures touch(scheduler);
    touch.refresh();
    EXPECT_EQ(world->lookupCount("MTDeviceCreateList"), 0); // off: nothing started
    Settings::defaults().set(Settings::Key::fourFingerTap, true);
    touch.refresh();
    EXPECT_FALSE(touch.isStarted()); // no trackpad
    world->trackpadCount = 1;
    touch.refresh();
    EXPECT_TRUE(touch.isStarted());
    const int lookups = world->lookupCount("MTDeviceCreateList");
    Settings::defaults().set(Settings::Key::fourFingerTap, false);
    touch.refresh();
    Settings::defaults().set(Settings::Key::fourFingerTap, true);
    touch.refresh();
    EXPECT_EQ(world->lookupCount("MTDeviceCreateList"), lookups);
}
