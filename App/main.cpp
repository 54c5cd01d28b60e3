#include "App/EntryMode.h"
#include "App/HandOver.h"
#include "App/Subcommand.h"
#include "Platform/PrivateFolder.h"
#include "Platform/QtScheduler.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <optional>

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

// The executable itself loads only Qt Core and Qt D-Bus: the roads users bind
// to keys (a subcommand, a URL handed to the running instance) end here. The
// program proper, with Qt's GUI libraries behind it, is a module beside the
// executable, loaded only when this launch must become the running instance
// or run a diagnostic mode.

namespace {

void printError(const QString& message)
{
    std::fprintf(stderr, "%s\n", message.toUtf8().constData());
}

// `lumivast <subcommand> …`: a bus client of the running program.
int runSubcommand(int argc, char* argv[], const lumivast::Subcommand& subcommand)
{
    QCoreApplication loopOwner(argc, argv);
    lumivast::QtScheduler clock;
    lumivast::SubcommandIO io;
    io.out = [](const QString& line) { std::printf("%s\n", line.toUtf8().constData()); };
    io.err = printError;
    const int code = lumivast::runSubcommand(subcommand, QDBusConnection::sessionBus(), clock, io);
    std::fflush(stdout);
    return code;
}

// A launch while Lumivast runs hands its URLs, or a request to reopen, over
// and ends; nothing when this launch is to become the running instance.
std::optional<int> handOver(const QStringList& arguments)
{
    const lumivast::PrivateFolder::Folder folder = lumivast::PrivateFolder::find();
    if (!folder.error.isEmpty()) {
        printError(QStringLiteral("lumivast: ") + folder.error);
        return 1;
    }
    lumivast::HandOver launch(lumivast::HandOver::socketPath(folder.path));
    switch (launch.claim()) {
    case lumivast::HandOver::Claim::running:
        if (launch.forwardLaunch(lumivast::launchURLs(arguments)))
            return 0;
        break;
    case lumivast::HandOver::Claim::blocked:
        break;
    case lumivast::HandOver::Claim::held:
        // The program claims the lock again for itself; a launch that wins
        // it meanwhile is handed this one's URLs there.
        return std::nullopt;
    }
    printError(QStringLiteral("lumivast: %1; not starting a second one").arg(launch.problem()));
    return 1;
}

// The program's module lies beside the executable.
int runProgram(int argc, char* argv[])
{
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        printError(QStringLiteral("lumivast: cannot find its own executable"));
        return 1;
    }
    const QString folder = QString::fromLocal8Bit(self, length).section(QLatin1Char('/'), 0, -2);
    const QByteArray module = QFile::encodeName(folder + QStringLiteral("/lumivast-program.so"));
    void* handle = ::dlopen(module.constData(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle) {
        printError(QStringLiteral("lumivast: cannot load the program: %1").arg(QString::fromLocal8Bit(::dlerror())));
        return 1;
    }
    using Entry = int (*)(int, char*[]);
    const auto entry = reinterpret_cast<Entry>(::dlsym(handle, "lumivast_program_main"));
    if (!entry) {
        printError(QStringLiteral("lumivast: %1 is not the program's module").arg(QString::fromLocal8Bit(module)));
        return 1;
    }
    return entry(argc, argv);
}

} // namespace

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // A subcommand is a bus client of the running program: no display, never the instance itself.
    if (const auto subcommand = lumivast::Subcommand::parse(arguments)) {
        if (!subcommand->has_value()) {
            printError(subcommand->error());
            return 2;
        }
        return runSubcommand(argc, argv, **subcommand);
    }
    if (arguments.contains(QStringLiteral("--version"))) {
        std::printf("lumivast %s\n", LUMIVAST_VERSION);
        return 0;
    }
    if (lumivast::chooseEntryMode(arguments).kind == lumivast::EntryMode::Kind::normal) {
        if (const std::optional<int> handedOver = handOver(QStringList{QString::fromLocal8Bit(argv[0])} + arguments))
            return *handedOver;
    }
    return runProgram(argc, argv);
}
