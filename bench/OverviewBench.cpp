#include "App/AppDelegate.h"
#include "BenchWorld.h"
#include "Core/Commands/SpaceCommand.h"
#include "Core/Settings/Settings.h"
#include "Core/Spaces/AppPaths.h"
#include "Platform/QtScheduler.h"
#include "Platform/Sim/SimDock.h"
#include "Platform/Sim/SimPlatform.h"
#include "UI/MenuBar/TrayStatusItem.h"
#include "UI/Overview/OverlayController.h"
#include "UI/Overview/OverlayView.h"
#include "UI/Overview/OverlayWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

using namespace lumivast;

namespace {

void pump(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

double millisecondsSince(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// The real delegate on the offscreen platform, every Space with a stored preview.
struct OverviewSetup {
    OverviewSetup()
    {
        qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
        qputenv("HOME", dir.path().toUtf8());
        world = bench::reportWorld(16, 30); // 16 desktops of 30 windows
        Platform::install(SimPlatform::create(world));
        UserDefaults::setStandard(&defaults);
        Settings::registerDefaults();
        defaults.set(Settings::Key::didShowOnboarding, true);
        for (int s = 1; s <= 16; ++s) {
            QImage picture(1280, 832, QImage::Format_RGB32);
            picture.fill(QColor::fromHsv((s * 40) % 360, 120, 200));
            QPainter p(&picture);
            p.fillRect(100, 100, 700, 500, QColor::fromHsv((s * 40 + 180) % 360, 160, 160));
            p.end();
            picture.save(AppPaths::thumbnailsDirectory() + QStringLiteral("/S%1.jpg").arg(s), "JPEG", 82);
        }
        tray = std::make_unique<TrayStatusItem>(scheduler);
        delegate = std::make_unique<AppDelegate>(scheduler, alerts, *tray, QStringList{QStringLiteral("lumivast")}, nullptr, 0);
        delegate->applicationDidFinishLaunching();
        // Half the Spaces named so that one typed letter narrows the grid from 16 tiles to 8.
        for (int s = 2; s <= 16; s += 2)
            delegate->store().setName(QStringLiteral("Xylo %1").arg(s), QStringLiteral("S%1").arg(s));
        qApp->installEventFilter(&counter);
        pump(2000);
    }
    ~OverviewSetup()
    {
        qApp->removeEventFilter(&counter);
        delegate.reset();
        UserDefaults::setStandard(nullptr);
    }

    // Counts the overview's paints, and those that showed the tiles (the
    // opening starts from the backdrop alone): a measurement ends when the
    // paint it waits for is done.
    struct PaintCounter final : QObject {
        int paints = 0;
        int tilePaints = 0;
        QElapsedTimer clock;
        qint64 lastTilePaint = 0; // ns on `clock`
        PaintCounter() { clock.start(); }
        bool eventFilter(QObject* object, QEvent* event) override
        {
            if (event->type() == QEvent::Paint && object->inherits("lumivast::OverlayView")) {
                ++paints;
                const double presented = static_cast<OverlayView*>(object)->presentation();
                if (presented > 0.001) {
                    ++tilePaints;
                    lastTilePaint = clock.nsecsElapsed();
                }
            }
            return false;
        }
    };
    // Runs the loop until the view has painted once more than `before`
    // (a paint is done when the loop turn that delivered it returns).
    void awaitPaint(int before)
    {
        while (counter.paints <= before)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }

    struct Opening {
        double firstPaint = 0; // the window's first paint, the backdrop alone
        double tilesShown = 0; // the first paint with the tiles
        // The frames drawn after the first with tiles until the column comes
        // to rest, over the time from the first to the last of them.
        double framesPerSecond = 0;
    };
    // From the command to the end of the window's first paint, and of its first paint with tiles.
    Opening open()
    {
        Opening opening;
        QElapsedTimer timer;
        timer.start();
        const int before = counter.paints;
        const int tilesBefore = counter.tilePaints;
        delegate->commands().perform(SpaceCommand::overview());
        while (!delegate->overlay()->isOpen())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        awaitPaint(before);
        opening.firstPaint = millisecondsSince(timer);
        while (counter.tilePaints <= tilesBefore)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        opening.tilesShown = millisecondsSince(timer);
        const int framesBefore = counter.tilePaints;
        const qint64 firstFrame = counter.lastTilePaint;
        QElapsedTimer limit;
        limit.start();
        while (delegate->overlay()->view()->presentation() < 1.0 && limit.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        const double seconds = double(counter.lastTilePaint - firstFrame) / 1e9;
        opening.framesPerSecond = seconds > 0 ? (counter.tilePaints - framesBefore) / seconds : 0;
        pump(200);
        return opening;
    }
    // One paint of the whole window, every child included, at the screen's
    // pixel density, with the tiles in full view.
    double fullFrame()
    {
        OverlayWindow* window = delegate->overlay()->window();
        const qreal dpr = window->devicePixelRatioF();
        const QSize pixels = (QSizeF(window->size()) * dpr).toSize();
        if (frame.size() != pixels) {
            // Like a window's backing store, the target lives on from frame to
            // frame; a fresh one would measure page faults, not painting.
            frame = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
            frame.setDevicePixelRatio(dpr);
            frame.fill(Qt::transparent);
        }
        // The median of five frames.
        std::vector<double> times;
        for (int i = 0; i < 5; ++i) {
            QElapsedTimer timer;
            timer.start();
            window->render(&frame);
            times.push_back(millisecondsSince(timer));
        }
        std::sort(times.begin(), times.end());
        return times[2];
    }
    // One typed character, to the end of the repaint it causes. "a" is in
    // every tile's window titles: only the search pill changes. "x" narrows
    // the grid to the eight named Spaces, so the tiles are laid out anew.
    double typeCharacter(QChar character = QLatin1Char('a'))
    {
        OverlayWindow* window = delegate->overlay()->window();
        const int before = counter.paints;
        QElapsedTimer timer;
        timer.start();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A + (character.unicode() - 'a'), Qt::NoModifier, QString(character));
        QApplication::sendEvent(window, &press);
        awaitPaint(before);
        const double elapsed = millisecondsSince(timer);
        QKeyEvent erase(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
        QApplication::sendEvent(window, &erase);
        pump(200);
        return elapsed;
    }
    // Narrowing keystrokes, each erased before the next: the median and the worst.
    std::pair<double, double> narrow(int times)
    {
        std::vector<double> all;
        for (int i = 0; i < times; ++i)
            all.push_back(typeCharacter(QLatin1Char('x')));
        std::sort(all.begin(), all.end());
        return {all[all.size() / 2], all.back()};
    }
    void close()
    {
        delegate->overlay()->hide(false);
        pump(400);
    }

    QTemporaryDir dir;
    UserDefaults defaults{QStringLiteral("bench"), dir.filePath(QStringLiteral("defaults.json"))};
    QtScheduler scheduler;
    bench::NoAlerts alerts;
    std::shared_ptr<SimWorld> world;
    std::unique_ptr<TrayStatusItem> tray;
    std::unique_ptr<AppDelegate> delegate;
    PaintCounter counter;
    QImage frame;
};

// Cold: the first opening after start; warm: a later one. Each figure is one opening.
void OverviewOpen(benchmark::State& state)
{
    OverviewSetup setup;
    OverviewSetup::Opening cold, warm;
    double coldFull = 0, warmFull = 0, search = 0;
    std::pair<double, double> narrowing{0, 0};
    for (auto _ : state) {
        cold = setup.open(); // and the column settles
        coldFull = setup.fullFrame();
        search = setup.typeCharacter();
        const auto first = setup.narrow(9);
        setup.close();
        warm = setup.open();
        warmFull = setup.fullFrame();
        search = std::max(search, setup.typeCharacter());
        const auto second = setup.narrow(9);
        narrowing = {std::max(first.first, second.first), std::max(first.second, second.second)};
        setup.close();
    }
    state.counters["cold_first_paint_ms"] = cold.firstPaint;
    state.counters["cold_tiles_shown_ms"] = cold.tilesShown;
    state.counters["cold_opening_fps"] = cold.framesPerSecond;
    state.counters["cold_full_frame_ms"] = coldFull;
    state.counters["warm_first_paint_ms"] = warm.firstPaint;
    state.counters["warm_tiles_shown_ms"] = warm.tilesShown;
    state.counters["warm_opening_fps"] = warm.framesPerSecond;
    state.counters["warm_full_frame_ms"] = warmFull;
    state.counters["search_char_ms"] = search;
    state.counters["narrowing_char_median_ms"] = narrowing.first;
    state.counters["narrowing_char_worst_ms"] = narrowing.second;
}
BENCHMARK(OverviewOpen)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
