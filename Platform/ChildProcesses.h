#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>

namespace lumivast {

// Child processes of the program. Both calls may be made from any thread.
class ChildProcesses {
public:
    virtual ~ChildProcesses() = default;

    // Starts `program` and forgets it: never waited for, its exit never read.
    // Its environment is this process's own with `environment` laid over it
    // (a given name replaces an inherited one); standard output and error go
    // to the null device, standard input is inherited. The reason when it
    // could not be started.
    virtual std::optional<QString> startDetached(const QString& program, const QStringList& arguments,
                                                 const std::map<QString, QString>& environment) = 0;

    // Runs `program` with the inherited environment, reads its standard output
    // to the end (standard error to the null device) and waits for it to
    // exit; its exit status is not looked at. Nothing when it could not be
    // started. Blocks the calling thread.
    virtual std::optional<QByteArray> runReadingOutput(const QString& program, const QStringList& arguments) = 0;
};

// Real processes through QProcess, on every platform (the simulated one included).
class QtChildProcesses final : public ChildProcesses {
public:
    std::optional<QString> startDetached(const QString& program, const QStringList& arguments,
                                         const std::map<QString, QString>& environment) override;
    std::optional<QByteArray> runReadingOutput(const QString& program, const QStringList& arguments) override;
};

} // namespace lumivast
