#include "App/Subcommand.h"

#include "App/BusService.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEventLoop>

namespace lumivast {

namespace {

struct Form {
    const char* word;
    Subcommand::Kind kind;
    const char* argument; // none: takes no argument
    const char* method;
    const char* title;
};

constexpr Form kForms[] = {
    {"switch-space", Subcommand::Kind::switchSpace, "SPACE", "SwitchSpace", "Switch to Space"},
    {"last-space", Subcommand::Kind::lastSpace, nullptr, "LastSpace", "Go Back to Last Space"},
    {"move-window", Subcommand::Kind::moveWindow, "SPACE", "MoveWindow", "Move Front Window to Space"},
    {"switch-profile", Subcommand::Kind::switchProfile, "PROFILE", "SwitchProfile", "Switch Lumivast Profile"},
    {"current-space", Subcommand::Kind::currentSpace, nullptr, "CurrentSpace", "Get Current Space Name"},
};

const Form& formOf(Subcommand::Kind kind)
{
    for (const Form& form : kForms) {
        if (form.kind == kind)
            return form;
    }
    return kForms[0];
}

} // namespace

QString Subcommand::usage()
{
    QStringList lines;
    for (const Form& form : kForms) {
        QString call = QStringLiteral("lumivast ") + QLatin1String(form.word);
        if (form.argument)
            call += QLatin1Char(' ') + QLatin1String(form.argument);
        lines.append((lines.isEmpty() ? QStringLiteral("usage: ") : QStringLiteral("       "))
                     + call.leftJustified(33) + QLatin1String(form.title));
    }
    lines.append(QStringLiteral("SPACE: Desktop number or Space name"));
    return lines.join(QLatin1Char('\n'));
}

std::optional<std::expected<Subcommand, QString>> Subcommand::parse(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return std::nullopt;
    for (const Form& form : kForms) {
        if (arguments.first() != QLatin1String(form.word))
            continue;
        const qsizetype wanted = form.argument ? 2 : 1;
        if (arguments.size() != wanted)
            return std::unexpected(usage());
        return Subcommand{form.kind, form.argument ? arguments[1] : QString()};
    }
    return std::nullopt;
}

int runSubcommand(const Subcommand& subcommand, QDBusConnection connection, Scheduler& scheduler,
                  const SubcommandIO& io)
{
    const auto fail = [&io](const QString& message) {
        if (io.err)
            io.err(QStringLiteral("lumivast: ") + message);
        return 1;
    };
    if (!connection.isConnected()) {
        const QString why = connection.lastError().message();
        return fail(QStringLiteral("no session bus to reach Lumivast on") + (why.isEmpty() ? QString() : QStringLiteral(": ") + why));
    }

    const Form& form = formOf(subcommand.kind);
    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(BusService::kServiceName),
                                                       QLatin1String(BusService::kObjectPath),
                                                       QLatin1String(BusService::kIntentsInterface),
                                                       QLatin1String(form.method));
    if (form.argument)
        call << subcommand.argument;
    // The bus's own limit lies beyond ours, so that the scheduler decides.
    const int busTimeout = int((Subcommand::kAnswerTimeout + 5s).count());
    QDBusPendingCallWatcher watcher(connection.asyncCall(call, busTimeout));
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
    WorkItem limit = scheduler.after(Subcommand::kAnswerTimeout, [&loop] { loop.quit(); });
    if (!watcher.isFinished())
        loop.exec();
    if (!watcher.isFinished())
        return fail(QStringLiteral("Lumivast did not answer within 25 s"));

    const QDBusMessage answer = watcher.reply();
    if (answer.type() == QDBusMessage::ErrorMessage) {
        const QString name = answer.errorName();
        if (name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
            || name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
            return fail(QStringLiteral("Lumivast is not running"));
        return fail(answer.errorMessage());
    }
    if (subcommand.kind == Subcommand::Kind::currentSpace && io.out) {
        const QVariant value = answer.arguments().value(0);
        io.out(value.toString());
    }
    return 0;
}

} // namespace lumivast
