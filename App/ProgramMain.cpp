#include "App/AppDelegate.h"
#include "App/CaptureMode.h"
#include "App/BusService.h"
#include "App/EntryMode.h"
#include "App/PlatformChoice.h"
#include "App/Probe.h"
#include "App/SignalQuit.h"
#include "App/SingleInstance.h"
#include "App/StatusItemChoice.h"
#include "App/SwitchMode.h"
#include "Core/Settings/Settings.h"
#include "Platform/Log.h"
#include "Platform/Platform.h"
#include "Platform/QtScheduler.h"
#include "UI/Alerts/AlertService.h"

#include <QApplication>

#include <malloc.h>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

namespace {

// The diagnostic modes print line by line, flushed, so a pipe sees each at once.
void printLine(const QString& line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// Runs the event loop for `delay`: the system acts on it meanwhile.
void waitOn(lumivast::QtScheduler& clock, lumivast::Duration delay)
{
    QEventLoop loop;
    lumivast::WorkItem wake = clock.after(delay, [&loop] { loop.quit(); });
    loop.exec();
}

// The desktop the environment chooses; false, having said why, when there is none to manage.
bool chooseDesktop(lumivast::PlatformChoice& choice)
{
    choice = lumivast::choosePlatform(QProcessEnvironment::systemEnvironment());
    if (!choice.error.isEmpty()) {
        std::fprintf(stderr, "lumivast: %s\n", qPrintable(choice.error));
        return false;
    }
    return true;
}

void installDesktop(const lumivast::PlatformChoice& choice)
{
    qCInfo(lcApp).noquote() << "Managing" << choice.reason;
    lumivast::Platform::install(choice.create());
}

// With no display to open at all, keep running headless rather than abort.
void useOffscreenWithoutDisplay(const lumivast::PlatformChoice& desktop)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && (qEnvironmentVariableIsEmpty("DISPLAY") || desktop.displayUnreachable))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// --probe, --switch and --capture: each on its own copy of the desktop, never
// handed over to a running instance.
int runEntryMode(int argc, char* argv[], const lumivast::EntryMode& mode)
{
    lumivast::PlatformChoice desktop;
    if (!chooseDesktop(desktop))
        return 1;
    if (mode.kind == lumivast::EntryMode::Kind::probe) {
        installDesktop(desktop);
        lumivast::QtScheduler clock;
        for (const QString& line : lumivast::probeReport(clock))
            std::printf("%s\n", line.toUtf8().constData());
        std::fflush(stdout);
        std::exit(0);
    }
    if (mode.kind == lumivast::EntryMode::Kind::switchDesktop) {
        // Only an event loop: the checks wait on the real clock and the system
        // (the simulated Dock included) acts on that loop meanwhile.
        QCoreApplication loopOwner(argc, argv);
        installDesktop(desktop);
        lumivast::QtScheduler clock;
        lumivast::SwitchModeIO io;
        io.print = printLine;
        io.wait = [&clock](lumivast::Duration delay) { waitOn(clock, delay); };
        std::exit(lumivast::runSwitchMode(mode.desktop, mode.classic, clock, io));
    }
    useOffscreenWithoutDisplay(desktop);
    // Pictures are painted and encoded, so the GUI application object is
    // needed; no window, no delegate, no hand-over to a running instance.
    QGuiApplication loopOwner(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Lumivast"));
    installDesktop(desktop);
    lumivast::QtScheduler clock;
    lumivast::CaptureModeIO io;
    io.print = printLine;
    io.wait = [&clock](lumivast::Duration delay) { waitOn(clock, delay); };
    std::exit(lumivast::runCaptureMode(clock, io));
}

} // namespace

// The program proper: every road of the executable that builds an
// application object. Loaded by the executable only when it needs it.
extern "C" __attribute__((visibility("default"))) int lumivast_program_main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const lumivast::EntryMode mode = lumivast::chooseEntryMode(arguments);
    if (mode.kind != lumivast::EntryMode::Kind::normal)
        return runEntryMode(argc, argv, mode);

    // One Lumivast per user: a later launch hands its URLs, or a request to
    // reopen, to the running one and ends. That is settled before any
    // application object or display connection exists, so a launch bound to a
    // key costs little more than its message. It never starts a second one.
    const lumivast::SingleInstance::Folder folder = lumivast::SingleInstance::privateFolder();
    if (!folder.error.isEmpty()) {
        std::fprintf(stderr, "lumivast: %s\n", qPrintable(folder.error));
        return 1;
    }
    lumivast::QtScheduler scheduler;
    lumivast::SingleInstance instance(scheduler, lumivast::SingleInstance::socketPath(folder.path));
    const QStringList launchURLs = lumivast::launchURLs(QStringList{QString::fromLocal8Bit(argv[0])} + arguments);
    switch (instance.claim()) {
    case lumivast::SingleInstance::Role::secondary:
        if (!instance.forwardLaunch(launchURLs)) {
            std::fprintf(stderr, "lumivast: %s; not starting a second one\n", qPrintable(instance.problem()));
            return 1;
        }
        return 0;
    case lumivast::SingleInstance::Role::blocked:
        std::fprintf(stderr, "lumivast: %s; not starting a second one\n", qPrintable(instance.problem()));
        return 1;
    case lumivast::SingleInstance::Role::primary:
    case lumivast::SingleInstance::Role::failed:
        break;
    }

    lumivast::PlatformChoice desktop;
    if (!chooseDesktop(desktop))
        return 1;
    useOffscreenWithoutDisplay(desktop);
    // The tray image and the menus are redrawn from fresh buffers of a few
    // hundred kilobytes; keep freed heap instead of handing it back to the
    // system and faulting it in again on every redraw.
    mallopt(M_TRIM_THRESHOLD, 8 * 1024 * 1024);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumivast"));
    QApplication::setApplicationVersion(QStringLiteral(LUMIVAST_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);

    // The socket needs the event loop; launches that come meanwhile wait for it.
    if (instance.listen() == lumivast::SingleInstance::Role::primary)
        instance.addLaunchURLs(launchURLs);

    // Only the instance that stays manages a desktop; one that hands over never opens it.
    installDesktop(desktop);
    lumivast::quitOnTerminationSignals(app);

    lumivast::MessageBoxAlertService alerts;
    const std::unique_ptr<lumivast::StatusItem> statusItem =
        lumivast::createStatusItem(scheduler, QDBusConnection::sessionBus());
    lumivast::AppDelegate delegate(scheduler, alerts, *statusItem, QApplication::arguments());
    delegate.applicationWillFinishLaunching(&instance);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, [&delegate] { delegate.applicationWillTerminate(); });
    // Launch inside the event loop, then take the URLs that arrived meanwhile.
    // Scripting commands and intents on the session bus, once the launch is done; released at exit.
    lumivast::BusService bus(delegate.commands(), delegate.queries());
    QMetaObject::invokeMethod(
        &delegate,
        [&delegate, &instance, &bus] {
            delegate.applicationDidFinishLaunching([&instance, &bus] {
                instance.startDelivery();
                bus.registerOn(QDBusConnection::sessionBus());
                qCInfo(lcApp) << "Lumivast" << LUMIVAST_VERSION << "launched";
            });
        },
        Qt::QueuedConnection);

    return app.exec();
}
