#include "App/AppDelegate.h"
#include "App/EntryMode.h"
#include "App/Probe.h"
#include "App/SignalQuit.h"
#include "App/SingleInstance.h"
#include "App/SwitchMode.h"
#include "App/UrlIntake.h"
#include "Core/Settings/Settings.h"
#include "Platform/Log.h"
#include "Platform/QtScheduler.h"
#include "UI/Alerts/AlertService.h"
#include "UI/MenuBar/TrayStatusItem.h"

#include <QApplication>

#include <malloc.h>
#include <QCoreApplication>
#include <QEventLoop>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char* argv[])
{
    // The diagnostic modes run before any application object exists.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const lumivast::EntryMode mode = lumivast::chooseEntryMode(arguments);
    if (mode.kind == lumivast::EntryMode::Kind::probe) {
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
        lumivast::QtScheduler clock;
        lumivast::SwitchModeIO io;
        io.print = [](const QString& line) {
            std::printf("%s\n", line.toUtf8().constData());
            std::fflush(stdout);
        };
        io.wait = [&clock](lumivast::Duration delay) {
            QEventLoop loop;
            lumivast::WorkItem wake = clock.after(delay, [&loop] { loop.quit(); });
            loop.exec();
        };
        std::exit(lumivast::runSwitchMode(mode.desktop, mode.classic, clock, io));
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("lumivast %s\n", LUMIVAST_VERSION);
            return 0;
        }
    }

    // The tray image and the menus are redrawn from fresh buffers of a few
    // hundred kilobytes; keep freed heap instead of handing it back to the
    // system and faulting it in again on every redraw.
    mallopt(M_TRIM_THRESHOLD, 8 * 1024 * 1024);
    // With no display at all, keep running headless rather than abort.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumivast"));
    QApplication::setApplicationVersion(QStringLiteral(LUMIVAST_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);

    lumivast::QtScheduler scheduler;

    // One Lumivast per user: a later launch hands its URLs, or a request to
    // reopen, to the running one and ends. It never starts a second one.
    const lumivast::SingleInstance::Folder folder = lumivast::SingleInstance::privateFolder();
    if (!folder.error.isEmpty()) {
        std::fprintf(stderr, "lumivast: %s\n", qPrintable(folder.error));
        return 1;
    }
    lumivast::SingleInstance instance(scheduler, lumivast::SingleInstance::socketPath(folder.path));
    const QStringList launchURLs = lumivast::UrlIntake::launchURLs(QApplication::arguments());
    switch (instance.start()) {
    case lumivast::SingleInstance::Role::secondary:
        if (!instance.forwardLaunch(launchURLs)) {
            std::fprintf(stderr, "lumivast: another Lumivast is running but did not answer within 2 s; "
                                 "not starting a second one\n");
            return 1;
        }
        return 0;
    case lumivast::SingleInstance::Role::blocked:
        std::fprintf(stderr, "lumivast: %s; not starting a second one\n", qPrintable(instance.problem()));
        return 1;
    case lumivast::SingleInstance::Role::primary:
        instance.addLaunchURLs(launchURLs);
        break;
    case lumivast::SingleInstance::Role::failed:
        break;
    }

    lumivast::quitOnTerminationSignals(app);

    lumivast::MessageBoxAlertService alerts;
    lumivast::TrayStatusItem statusItem(scheduler);
    lumivast::AppDelegate delegate(scheduler, alerts, statusItem, QApplication::arguments());
    delegate.applicationWillFinishLaunching(&instance);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, [&delegate] { delegate.applicationWillTerminate(); });
    // Launch inside the event loop, then take the URLs that arrived meanwhile.
    QMetaObject::invokeMethod(
        &delegate,
        [&delegate, &instance] {
            delegate.applicationDidFinishLaunching();
            instance.startDelivery();
            qCInfo(lcApp) << "Lumivast" << LUMIVAST_VERSION << "launched";
        },
        Qt::QueuedConnection);

    return app.exec();
}
