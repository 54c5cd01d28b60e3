#include "App/SignalQuit.h"

#include "Platform/Log.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace lumivast {

namespace {

int g_signalFds[2] = {-1, -1};

void onSignal(int signal)
{
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] auto written = ::write(g_signalFds[0], &byte, 1);
}

} // namespace

void quitOnTerminationSignals(QCoreApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFds) != 0) {
        qCWarning(lcApp) << "cannot watch for termination signals";
        return;
    }
    auto* notifier = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        char byte = 0;
        [[maybe_unused]] auto n = ::read(g_signalFds[1], &byte, 1);
        qCInfo(lcApp) << "quitting on signal" << int(byte);
        app.quit();
    });

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr); // the session ends
}

} // namespace lumivast
