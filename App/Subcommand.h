#pragma once

#include "Platform/Scheduler.h"

#include <QDBusConnection>
#include <QString>
#include <QStringList>

#include <expected>
#include <functional>
#include <optional>

namespace lumivast {

// `lumivast <subcommand> …`: one intent of the running program, called over
// the session bus. A client only: it needs no display and never becomes the
// running instance.
struct Subcommand {
    enum class Kind { switchSpace, lastSpace, moveWindow, switchProfile, currentSpace };
    static constexpr Duration kAnswerTimeout = 25s;

    Kind kind = Kind::lastSpace;
    QString argument; // SPACE or PROFILE, verbatim

    // Recognised only as the first argument (`arguments` without the program
    // name); the rest of the line is its own. Nothing when it is no
    // subcommand; the usage text when its arguments do not fit.
    static std::optional<std::expected<Subcommand, QString>> parse(const QStringList& arguments);
    static QString usage();
};

struct SubcommandIO {
    std::function<void(const QString&)> out; // a line, without its line end
    std::function<void(const QString&)> err;
};

// Calls the intent and waits for its answer: 0 when answered, 1 when there is
// no bus, no program to answer or no answer within the time-out.
int runSubcommand(const Subcommand& subcommand, QDBusConnection connection, Scheduler& scheduler,
                  const SubcommandIO& io);

} // namespace lumivast
